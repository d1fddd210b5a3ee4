#pragma once

#include <QObject>
#include <QString>

class QAction;
class TMDIChild;

namespace kvd {

class DataRowView;
class DataTableModel;
class FindBar;
class HistogramWindow;

// Leads from a document window's summary to its rows, and shows the distribution of
// its measurements, without changing anything of the document:
// - Ctrl+F opens the find bar under the data grid; F3 and Shift+F3 find the next and
//   previous cell, or step through the rows a jump selected;
// - a double-click on a line of the report that names rows selects them on the Data
//   page (duplicate object, source, status, group);
// - a double-click on a row of the statistics grid goes to its column on the Data
//   page, selecting the cells that are not numbers where the column holds some;
// - a click on a Data column's heading sorts the rows (DataRowView);
// - Ctrl+H on the Summary page, or the grid's context menu, opens the histograms of
//   the selected measurements.
class DocumentExplorer : public QObject {
    Q_OBJECT
public:
    explicit DocumentExplorer(TMDIChild& window);

    FindBar* findBar() const noexcept { return m_findBar; }
    // The order (and choice) of the rows the Data page shows.
    DataRowView* rowView() const noexcept { return m_rowView; }

    // Goes to the rows that line `line` of the report names and selects them; false
    // (and nothing happens) for a line that names no rows.
    bool showReportLineRows(int line);
    // Goes to the column of row `row` of the statistics grid (a model row).
    void showStatisticsRow(int row);
    // Opens a window with the histograms of the measurements selected in the statistics
    // grid (the current one when none is selected); nullptr when there is none.
    HistogramWindow* showHistograms();

    QAction* findAction;
    QAction* findNextAction;
    QAction* findPreviousAction;
    QAction* histogramAction;
    QAction* showJumpRowsAction; // the filter keeps the rows of the jump the find bar steps through
    QAction* showMatchesAction;  // the filter keeps the rows the find bar's text matches

    void showOnlyJumpRows();
    void showOnlyMatches();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showDataPage();
    int reportLineAt(const QPoint& position) const;
    QString columnName(int column) const;
    const DataTableModel& dataModel() const;
    // The file line of the current row, in the main window's status bar.
    void showCurrentLine();

    TMDIChild& m_window;
    FindBar* m_findBar;
    DataRowView* m_rowView;
};

} // namespace kvd
