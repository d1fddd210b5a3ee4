#pragma once

namespace kvd {

// The width, in pixels, of a grid column that nothing has fitted: the data table's
// and the statistics table's columns start at it, and the grids that show them use it.
inline constexpr int DefaultColumnWidth = 80;

} // namespace kvd
