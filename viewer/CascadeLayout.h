#pragma once

#include <QRect>

#include <vector>

namespace kvd {

// Places `count` cascaded windows in `area`, first window first (the one on top
// last): each window `step` pixels lower and further right than the one before, all
// of one size, as large as lets the last of a run end at the area's bottom-right
// corner. A run holds as many windows as can stay at least half the area's width
// and height; the windows after a full run start again at the top-left corner.
// Every rectangle lies inside the area.
std::vector<QRect> cascadeRects(const QRect& area, int count, int step);

} // namespace kvd
