#include "viewer/NewWindowPlace.h"

#include <algorithm>

namespace kvd {

int newWindowPlaceCount(QSize workspace, QSize window, int titleBarHeight, int step)
{
    if (step <= 0)
        return 1;
    const int across = (workspace.width() - window.width()) / step;
    const int down = (workspace.height() - titleBarHeight) / step;
    return std::max(0, std::min(across, down)) + 1;
}

int nextNewWindowPlace(int lastPlace, const std::vector<bool>& taken)
{
    const auto count = static_cast<int>(taken.size());
    if (count == 0)
        return 0;
    const int first = (std::max(lastPlace, -1) + 1) % count;
    for (int i = 0; i < count; ++i) {
        const int place = (first + i) % count;
        if (!taken[static_cast<std::size_t>(place)])
            return place;
    }
    return first;
}

} // namespace kvd
