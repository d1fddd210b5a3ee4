#pragma once

#include "summary/RowFilter.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
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
//
// A filter shows only some rows: those of a jump, those whose cell the find bar's text
// matches in a column, those whose measurement meets a condition; parts combine (all
// must hold). A line above the grid then says "N of M rows shown" and offers "Show
// all". Sorting, finding, copying and the histograms work on the rows shown.
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

    // Adds a part to the filter and shows the rows that pass all of them.
    void showOnlyRows(const std::vector<int>& tableRows, const QString& what);
    void showOnlyMatches(int column, const QString& text, const QString& what);
    void showOnlyCondition(const NumberCondition& condition, const QString& what);
    // Drops the filter: every row is shown (in the order chosen).
    void showAll();
    bool filtered() const noexcept { return !m_filter.empty(); }

    // The line above the grid: "N of M rows shown" and "Show all"; hidden without a filter.
    QWidget* filterLine() const noexcept { return m_filterLine; }
    QLabel* filterLabel() const noexcept { return m_filterLabel; }
    QPushButton* showAllButton() const noexcept { return m_showAll; }

    QAction* sortAscendingAction;
    QAction* sortDescendingAction;
    QAction* fileOrderAction;
    QAction* conditionAction; // "Show only rows where..." the current column meets a condition

private:
    // Shows the rows in the order chosen, keeping the current cell on its object.
    void apply();
    void showSortIndicator();
    void showFilterLine();
    void askCondition();
    bool sortsAsNumbers(int column) const;
    int currentColumn() const;

    TextGrid& m_grid;
    DataTableModel& m_model;
    const Document& m_document;
    int m_sortColumn = -1;
    Order m_order = Order::File;
    RowFilter m_filter;
    QWidget* m_filterLine;
    QLabel* m_filterLabel;
    QPushButton* m_showAll;
};

} // namespace kvd
