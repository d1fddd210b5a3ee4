#pragma once

#include <QObject>

#include <cstdint>
#include <vector>

class QAction;
class QLabel;
class QWidget;

namespace kvd {

class DataTableModel;
struct Document;
class TextGrid;

// The order of the rows of the Data page: a click on a column's heading sorts the rows
// by that column, ascending, then descending, then back to file order; the grids'
// context menus offer the same for the current column. Measurement columns sort
// numbers by value and put the other cells after them; other columns sort as texts,
// both under the summary's collation. The sort is stable, the fixed columns move with
// their rows, the heading shows an arrow, and the current cell stays on its object.
// Nothing of the document changes: the model shows the rows in the order made here.
class DataRowView : public QObject {
    Q_OBJECT
public:
    enum class Order { File, Ascending, Descending };

    DataRowView(TextGrid& grid, DataTableModel& model, const Document& document, QObject* parent = nullptr);

    // Sorts by `column` (File: back to file order, whatever the column).
    void sortBy(int column, Order order);
    // What a click on the heading of `column` does: the next order of the cycle.
    void sortNext(int column);
    int sortColumn() const noexcept { return m_sortColumn; }
    Order sortOrder() const noexcept { return m_order; }

    QAction* sortAscendingAction;
    QAction* sortDescendingAction;
    QAction* fileOrderAction;

private:
    // Shows the rows in the order chosen, keeping the current cell on its object.
    void apply();
    void showSortIndicator();
    bool sortsAsNumbers(int column) const;
    int currentColumn() const;

    TextGrid& m_grid;
    DataTableModel& m_model;
    const Document& m_document;
    int m_sortColumn = -1;
    Order m_order = Order::File;
};

} // namespace kvd
