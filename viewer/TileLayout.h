#pragma once

#include <QRect>

#include <vector>

namespace kvd {

enum class TileDirection {
    Horizontal, // windows one above the other, each as wide as the area
    Vertical,   // windows side by side, each as high as the area
};

// Divides `area` among `count` windows, first window first. Up to three windows lie
// in one line; more are laid in a grid of about sqrt(count) lines, each line split
// among its windows, later lines taking one window more when the count does not
// divide evenly. The rectangles cover the area without overlap.
std::vector<QRect> tileRects(const QRect& area, int count, TileDirection direction);

} // namespace kvd
