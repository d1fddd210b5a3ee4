#pragma once

#include <QItemSelection>
#include <QString>

class QAbstractItemModel;

namespace kvd {

// The text of the selected cells of a grid, as Ctrl+C copies it: each row that holds a
// selected cell on a line (lines separated by LF), the cells from the leftmost to the
// rightmost selected column separated by TAB, cells that are not selected empty. A
// rectangle gives its cells; rows selected apart (the rows of a report line) give
// those rows only, not the rows between them. Costs one look per selected row and
// per cell written, whatever the number of ranges.
QString selectionText(const QAbstractItemModel& model, const QItemSelection& selection);

} // namespace kvd
