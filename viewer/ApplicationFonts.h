#pragma once

#include "viewer/DocumentFonts.h"

#include <QFont>

namespace kvd {

// Loads the Tahoma face that Debian's fonts-wine package installs, when they are
// there, so that the windows use the face they were drawn for. Call once after the
// application object exists; safe to call again.
void loadApplicationFonts();

// Tahoma, or the closest sans-serif face, `pixelSize` pixels high.
QFont tahoma(int pixelSize, QFont::Weight weight = QFont::Normal);

// The font of the grids: Tahoma 13 pixels, without kerning and ligatures, so that a
// cell text is as wide as the sum of its characters (see GridTextWidth).
QFont gridFont();

// The fonts of a document window: header editor Tahoma 16 bold, report and panels
// Tahoma 13, grids gridFont().
DocumentFonts documentFonts();

} // namespace kvd
