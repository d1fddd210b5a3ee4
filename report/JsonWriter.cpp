#include "report/JsonWriter.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <cmath>

namespace kvd {

namespace {

bool isPlainAscii(std::string_view text) noexcept
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\')
            return false;
    }
    return true;
}

void appendUnicodeEscape(std::string& out, unsigned code)
{
    static constexpr char Hex[] = "0123456789abcdef";
    out += "\\u00";
    out += Hex[(code >> 4) & 0xF];
    out += Hex[code & 0xF];
}

// Appends valid UTF-8 with JSON's escapes, and escapes for DEL and the C1 controls.
void appendEscaped(std::string& out, std::string_view utf8)
{
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const char c = utf8[at];
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; continue;
        case '\\': out += "\\\\"; continue;
        case '\b': out += "\\b"; continue;
        case '\f': out += "\\f"; continue;
        case '\n': out += "\\n"; continue;
        case '\r': out += "\\r"; continue;
        case '\t': out += "\\t"; continue;
        default: break;
        }
        if (byte < 0x20 || byte == 0x7F) {
            appendUnicodeEscape(out, byte);
        } else if (byte == 0xC2 && at + 1 < utf8.size() && static_cast<unsigned char>(utf8[at + 1]) < 0xA0) {
            appendUnicodeEscape(out, static_cast<unsigned char>(utf8[++at])); // U+0080 to U+009F
        } else {
            out += c;
        }
    }
}

} // namespace

void JsonWriter::key(std::string_view name)
{
    beforeValue();
    m_out += '"';
    m_out += name;
    m_out += m_compact ? "\":" : "\": ";
    m_afterKey = true;
}

void JsonWriter::string(std::string_view utf8)
{
    beforeValue();
    m_out += '"';
    if (isPlainAscii(utf8)) {
        m_out += utf8;
    } else {
        // Through UTF-16 and back: what is not UTF-8 becomes U+FFFD as everywhere in Qt.
        const QByteArray valid = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUtf8();
        appendEscaped(m_out, std::string_view(valid.constData(), static_cast<std::size_t>(valid.size())));
    }
    m_out += '"';
}

void JsonWriter::number(double value)
{
    if (!std::isfinite(value)) {
        null();
        return;
    }
    beforeValue();
    m_out += QByteArray::number(value, 'g', QLocale::FloatingPointShortest).toStdString();
}

void JsonWriter::integer(std::int64_t value)
{
    beforeValue();
    m_out += std::to_string(value);
}

void JsonWriter::null()
{
    beforeValue();
    m_out += "null";
}

void JsonWriter::open(char bracket)
{
    beforeValue();
    m_out += bracket;
    if (!m_compact)
        m_out += '\n';
    m_counts.push_back(0);
}

void JsonWriter::close(char bracket)
{
    const bool empty = m_counts.back() == 0;
    m_counts.pop_back();
    if (!m_compact) {
        if (!empty)
            m_out += '\n';
        indent(m_counts.size());
    }
    m_out += bracket;
}

// Separates a value from the one before it in its container; a member's value
// follows its name.
void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_counts.empty())
        return;
    if (m_counts.back()++ > 0)
        m_out += m_compact ? "," : ",\n";
    indent(m_counts.size());
}

void JsonWriter::indent(std::size_t depth)
{
    if (!m_compact)
        m_out.append(4 * depth, ' ');
}

} // namespace kvd
