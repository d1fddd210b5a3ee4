#include "viewer/GridTextWidth.h"

#include <cmath>

namespace kvd {

namespace {

// Without kerning and ligatures a text is as wide as the sum of its characters.
QFont withoutShaping(QFont font)
{
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

} // namespace

GridTextWidth::GridTextWidth(const QFont& font)
    : m_font(withoutShaping(font)), m_metrics(m_font), m_wholeMetrics(m_font)
{
    const QString probe = QStringLiteral("x");
    const double probeAdvance = m_metrics.horizontalAdvance(probe);
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        const QString character = decodeText(std::string_view(&c, 1), TextEncoding::Windows1252);
        m_advance[static_cast<std::size_t>(byte)] = m_metrics.horizontalAdvance(character);
        // A character that lays out with its own advance between two others can be summed.
        const double between = m_metrics.horizontalAdvance(probe + character + probe);
        m_summable[static_cast<std::size_t>(byte)] =
            byte >= 32 && between == 2 * probeAdvance + m_advance[static_cast<std::size_t>(byte)];
    }
}

int GridTextWidth::operator()(std::string_view bytes, TextEncoding encoding) const
{
    double sum = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!m_summable[byte] || (byte >= 0x80 && encoding != TextEncoding::Windows1252))
            return measureDecoded(bytes, encoding);
        sum += m_advance[byte];
    }
    // QFontMetrics rounds the text's total advance to the nearest pixel, halves up.
    return static_cast<int>(std::floor(sum + 0.5));
}

int GridTextWidth::measureDecoded(std::string_view bytes, TextEncoding encoding) const
{
    return m_wholeMetrics.horizontalAdvance(decodeText(bytes, encoding));
}

} // namespace kvd
