#pragma once

#include "datafile/TextEncoding.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>

#include <array>
#include <string_view>

namespace kvd {

// Measures the width in pixels of a cell text (the file's bytes) as the data grid
// draws it, in the grid's font with kerning and ligatures off. Texts whose bytes each stand for one
// character are summed from a table of per-byte advances, which gives exactly what
// QFontMetrics::horizontalAdvance gives for the decoded text; other texts are decoded
// and measured whole. The reader calls this twice per data line, so it must be cheap.
class GridTextWidth {
public:
    explicit GridTextWidth(const QFont& font);

    int operator()(std::string_view bytes, TextEncoding encoding) const;

    const QFont& font() const noexcept { return m_font; }

private:
    int measureDecoded(std::string_view bytes, TextEncoding encoding) const;

    QFont m_font;
    QFontMetricsF m_metrics;
    QFontMetrics m_wholeMetrics;
    // Advances of the 256 bytes decoded as Windows-1252 (ASCII for the lower half),
    // and whether a byte can be summed: a character whose advance inside a text
    // differs from its advance alone (control characters) sends the text to the
    // whole-text measure.
    std::array<double, 256> m_advance{};
    std::array<bool, 256> m_summable{};
};

} // namespace kvd
