#pragma once

#include <QSize>

#include <vector>

namespace kvd {

// Where new document windows open. Place k lies k steps (a title bar each) below and
// right of the workspace's top-left corner. The places are those where the window's
// title bar stays wholly inside the workspace; there is always at least place 0.
int newWindowPlaceCount(QSize workspace, QSize window, int titleBarHeight, int step);

// The place for the next new window: the one after `lastPlace` (the place of the last
// window opened, -1 for none), round to 0 after the last, skipping places that
// `taken` marks while any place is free. `taken` holds one flag per place.
int nextNewWindowPlace(int lastPlace, const std::vector<bool>& taken);

} // namespace kvd
