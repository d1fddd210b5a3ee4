#include "viewer/TileLayout.h"

#include <cmath>

namespace kvd {

namespace {

// The start of part `index` of `parts` equal parts of `length`, from `origin`.
int partStart(int origin, int length, int index, int parts)
{
    return origin + static_cast<int>(static_cast<long long>(length) * index / parts);
}

} // namespace

std::vector<QRect> tileRects(const QRect& area, int count, TileDirection direction)
{
    std::vector<QRect> rects;
    if (count <= 0)
        return rects;
    // Lines run across the direction of the tiling: rows of windows side by side for
    // Vertical, columns of windows one above the other for Horizontal.
    const int crossLines = count <= 3 ? 1 : static_cast<int>(std::sqrt(static_cast<double>(count)));
    const int lines = (count + crossLines - 1) / crossLines;
    const int base = count / lines;
    const int extra = count % lines;
    const bool vertical = direction == TileDirection::Vertical;
    const int along = vertical ? area.width() : area.height();
    const int across = vertical ? area.height() : area.width();
    const int alongOrigin = vertical ? area.left() : area.top();
    const int acrossOrigin = vertical ? area.top() : area.left();
    for (int line = 0; line < lines; ++line) {
        const int inLine = base + (line >= lines - extra ? 1 : 0);
        const int lineStart = partStart(alongOrigin, along, line, lines);
        const int lineEnd = partStart(alongOrigin, along, line + 1, lines);
        for (int slot = 0; slot < inLine; ++slot) {
            const int slotStart = partStart(acrossOrigin, across, slot, inLine);
            const int slotEnd = partStart(acrossOrigin, across, slot + 1, inLine);
            rects.push_back(vertical ? QRect(lineStart, slotStart, lineEnd - lineStart, slotEnd - slotStart)
                                     : QRect(slotStart, lineStart, slotEnd - slotStart, lineEnd - lineStart));
        }
    }
    return rects;
}

} // namespace kvd
