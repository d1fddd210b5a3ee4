#pragma once

#include <QByteArray>
#include <QItemSelection>

#include <cstdint>
#include <functional>

class QAbstractItemModel;

namespace kvd {

class RowSet;

// Told how many lines of a copy are written out of how many; returns false to stop
// the copy, which then gives no text.
using CopyProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// The text of the selected cells of a grid, as Ctrl+C copies it, in UTF-8: each row
// that holds a selected cell on a line (lines separated by LF), the cells from the
// leftmost to the rightmost selected column separated by TAB, cells that are not
// selected empty. A rectangle gives its cells; rows selected apart give those rows
// only, not the rows between them. The text is built once into one array, which grows
// by reallocation: besides it, the cost is one cell's text at a time.
QByteArray selectionText(const QAbstractItemModel& model, const QItemSelection& selection,
                         const CopyProgress& progress = {});

// The same for the cells in columns leftColumn..rightColumn of model rows `rows`, in
// row order.
QByteArray rowsText(const QAbstractItemModel& model, const RowSet& rows, int leftColumn, int rightColumn,
                    const CopyProgress& progress = {});

} // namespace kvd
