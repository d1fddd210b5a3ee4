#include "viewer/CascadeLayout.h"

#include <algorithm>

namespace kvd {

std::vector<QRect> cascadeRects(const QRect& area, int count, int step)
{
    std::vector<QRect> rects;
    if (count <= 0 || area.isEmpty())
        return rects;
    step = std::max(step, 0);
    // The offsets that keep a window at least half the area in both directions.
    const int spare = std::min(area.width() - (area.width() + 1) / 2, area.height() - (area.height() + 1) / 2);
    const int maxRun = step > 0 ? spare / step + 1 : count;
    const int run = std::clamp(count, 1, std::max(1, maxRun));
    const QSize size(area.width() - (run - 1) * step, area.height() - (run - 1) * step);
    rects.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        const int offset = (index % run) * step;
        rects.emplace_back(area.topLeft() + QPoint(offset, offset), size);
    }
    return rects;
}

} // namespace kvd
