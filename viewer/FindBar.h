#pragma once

#include "datafile/TextEncoding.h"
#include "summary/RowSet.h"
#include "summary/TableSearch.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace kvd {

class CellSearch;
class Collation;
class DataTable;
class DataTableModel;
class ElidedLabel;
class TextGrid;

// The find bar under the data grid. Return (or F3) finds the next cell whose text
// contains the typed text, ignoring letter case as the summary does, Shift+Return (or
// Shift+F3) the previous one; the cell found becomes the grid's current, selected cell,
// scrolled into view. An option limits the search to one column. Escape closes the
// bar and gives the focus back to the grid, so that Ctrl+C copies the cell found.
//
// The search runs in steps from the event loop, so the window stays responsive; a
// search that takes long shows its progress and a Stop button.
//
// The bar also steps through rows found elsewhere (those a report line names, the
// cells of a column that are not numbers): showRows() selects them all, however many,
// and makes the first current; F3 and Shift+F3 then go from one to the next until a
// new text is searched.
//
// A row found out of sight is scrolled to the middle of the grid. The bar's status
// text is shortened to fit, with the whole text as its tooltip.
class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(TextGrid& grid, const DataTableModel& model, const DataTable& table, const TextEncoding& encoding,
            QWidget* parent = nullptr);
    ~FindBar() override;

    // Shows the bar with the focus in its text, and offers the table's columns.
    void open();
    void close();

    void findNext();
    void findPrevious();

    // Selects object rows `rows` (table rows, ascending) of the grid: whole rows when
    // column is -1, else their cells in `column`; makes the first one current and
    // shows `what` in the bar. No row: the bar says so.
    void showRows(const std::vector<int>& rows, int column, const QString& what);
    // Selects a whole column and makes its cell in the current row current.
    void showColumn(int column, const QString& what);

    bool searching() const noexcept { return m_tableSearch != nullptr; }

    // The table rows of the rows stepped through (a jump), ascending; none when F3
    // searches text.
    std::vector<int> jumpTableRows() const;
    const QString& jumpWhat() const noexcept { return m_rowsWhat; }
    // The column searched (-1: every column).
    int searchColumn() const;
    void stop();

    // How long one turn of the event loop may search (4096 rows at least); 0 searches
    // 4096 rows per turn and shows the progress at once.
    void setMillisecondsPerTurn(qint64 milliseconds) noexcept { m_millisecondsPerTurn = milliseconds; }

    QLineEdit* textEdit() const noexcept { return m_text; }
    QComboBox* columnChoice() const noexcept { return m_column; }
    ElidedLabel* statusLabel() const noexcept { return m_status; }
    QToolButton* stopButton() const noexcept { return m_stop; }

signals:
    // A search ended: found, not found or stopped.
    void searchFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void find(TableSearch::Direction direction);
    void runSearch();
    void finishSearch();
    void stepRows(int delta);
    void fillColumnChoice();
    void goToCell(int modelRow, int column, bool keepSelection);
    // The search's rows are places in the rows shown (from 1) when the model shows
    // some in an order of their own, else table rows.
    int placeOfModelRow(int modelRow) const noexcept;
    int modelRowOfPlace(int place) const noexcept;
    // The model rows that show table rows `tableRows` (ascending), ascending.
    RowSet modelRowsOf(const std::vector<int>& tableRows) const;
    void setStatus(const QString& text, bool problem = false);
    TableCell currentCell() const;

    TextGrid& m_grid;
    const DataTableModel& m_model;
    const DataTable& m_table;
    const TextEncoding& m_encoding;
    QLineEdit* m_text;
    QComboBox* m_column;
    ElidedLabel* m_status;
    QToolButton* m_previous;
    QToolButton* m_next;
    QToolButton* m_stop;
    QToolButton* m_close;

    std::unique_ptr<CellSearch> m_cellSearch;
    std::unique_ptr<TableSearch> m_tableSearch;
    QElapsedTimer m_searchClock;
    qint64 m_millisecondsPerTurn = 25;

    // Model rows being stepped through with F3, when not empty.
    RowSet m_rows;
    int m_rowsColumn = -1;
    std::size_t m_rowIndex = 0;
    QString m_rowsWhat;
};

} // namespace kvd
