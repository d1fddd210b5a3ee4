#pragma once

#include <QFont>

namespace kvd {

// The fonts a document window draws its pages with. The application chooses the
// faces and hands them to each window it creates.
struct DocumentFonts {
    QFont header; // the header editor's default text
    QFont text;   // the summary report, the statistics panel and its title
    // The data and statistics grids. Cell widths are measured with it (GridTextWidth),
    // so it must draw a text as wide as the sum of its characters: no kerning, no
    // ligatures.
    QFont grid;
};

} // namespace kvd
