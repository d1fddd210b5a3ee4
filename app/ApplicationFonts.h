#pragma once

#include <QFont>

namespace kvd {

// Loads the Tahoma faces that Debian's fonts-wine package installs, when they are
// there, so that the windows use the face they were drawn for. Call once after the
// application object exists; safe to call again.
void loadApplicationFonts();

// Tahoma, or the closest sans-serif face, `pixelSize` pixels high.
QFont tahoma(int pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace kvd
