#include "viewer/DocumentExplorer.h"

#include "datafile/NumberText.h"
#include "viewer/DataRowView.h"
#include "viewer/DataTableModel.h"
#include "viewer/FindBar.h"
#include "viewer/HistogramWindow.h"
#include "viewer/ReportView.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"
#include "summary/Collation.h"
#include "summary/Histogram.h"
#include "summary/ReportLines.h"
#include "summary/RowMatches.h"

#include <QAbstractItemView>
#include <QAction>
#include <QBoxLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QApplication>
#include <QScopeGuard>
#include <QLayout>
#include <QMouseEvent>
#include <QTabWidget>

#include <climits>
#include <set>

namespace kvd {

namespace {

QAction* shortcutAction(QObject* parent, const QString& text, const QKeySequence& key)
{
    auto* action = new QAction(text, parent);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    return action;
}

} // namespace

DocumentExplorer::DocumentExplorer(TMDIChild& window)
    : QObject(&window), m_window(window)
{
    auto* dataModel = static_cast<DataTableModel*>(window.StringGrid1->model());
    m_findBar = new FindBar(*window.StringGrid1, *dataModel, window.document().table, window.document().encoding);
    m_rowView = new DataRowView(*window.StringGrid1, *dataModel, window.document(), this);
    static_cast<QBoxLayout*>(window.TabSheet2->layout())->insertWidget(0, m_rowView->filterLine());
    showJumpRowsAction = new QAction(QStringLiteral("Show only &these rows"), this);
    connect(showJumpRowsAction, &QAction::triggered, this, &DocumentExplorer::showOnlyJumpRows);
    showMatchesAction = new QAction(QStringLiteral("Show only rows &matching the find text"), this);
    connect(showMatchesAction, &QAction::triggered, this, &DocumentExplorer::showOnlyMatches);
    connect(window.StringGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &DocumentExplorer::showCurrentLine);
    connect(dataModel, &QAbstractItemModel::modelReset, this, [this] {
        connect(m_window.StringGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &DocumentExplorer::showCurrentLine, Qt::UniqueConnection);
    });
    window.TabSheet2->layout()->addWidget(m_findBar);

    findAction = shortcutAction(this, QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    findNextAction = shortcutAction(this, QStringLiteral("Find &next"), QKeySequence(Qt::Key_F3));
    findPreviousAction = shortcutAction(this, QStringLiteral("Find &previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    histogramAction = shortcutAction(this, QStringLiteral("&Histogram"), QKeySequence(Qt::CTRL | Qt::Key_H));

    connect(findAction, &QAction::triggered, this, [this] {
        showDataPage();
        m_findBar->open();
    });
    connect(findNextAction, &QAction::triggered, m_findBar, &FindBar::findNext);
    connect(findPreviousAction, &QAction::triggered, m_findBar, &FindBar::findPrevious);
    connect(histogramAction, &QAction::triggered, this, &DocumentExplorer::showHistograms);

    window.addAction(findAction);
    window.TabSheet2->addAction(findNextAction);
    window.TabSheet2->addAction(findPreviousAction);
    window.TabSheet3->addAction(histogramAction);
    // The grids' context menus offer the same commands.
    QWidget* const dataGrids[] = {window.StringGrid1, window.StringGrid1->fixedColumnView()};
    for (QWidget* grid : dataGrids) {
        grid->addActions({findAction, findNextAction, findPreviousAction, m_rowView->sortAscendingAction,
                          m_rowView->sortDescendingAction, m_rowView->fileOrderAction, showJumpRowsAction,
                          showMatchesAction, m_rowView->conditionAction});
        grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    auto* showColumn = new QAction(QStringLiteral("Show in the &Data page"), this);
    connect(showColumn, &QAction::triggered, this, [this] {
        const QModelIndex current = m_window.StringGrid2->currentIndex();
        if (current.isValid())
            showStatisticsRow(current.row());
    });
    window.StringGrid2->addActions({histogramAction, showColumn});
    window.StringGrid2->setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(window.StringGrid2, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { showStatisticsRow(index.row()); });
    window.Memo1->viewport()->installEventFilter(this);
}

bool DocumentExplorer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int line = mouse->button() == Qt::LeftButton ? reportLineAt(mouse->position().toPoint()) : -1;
        if (line >= 0 && showReportLineRows(line))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

int DocumentExplorer::reportLineAt(const QPoint& position) const
{
    const long long line = m_window.Memo1->lineAt(position);
    return line <= INT_MAX ? static_cast<int>(line) : -1;
}

bool DocumentExplorer::showReportLineRows(int line)
{
    const Document& document = m_window.document();
    const ReportLines lines(document.summary.report, document.table);
    if (line < 0 || static_cast<std::size_t>(line) >= lines.count())
        return false;
    const ReportLineTarget target = lines.target(static_cast<std::size_t>(line));
    const std::vector<int> rows =
        rowsOfReportLine(document.table, target, Collation::forLocale(QLocale()), document.encoding);
    if (rows.empty())
        return false;
    QString what;
    switch (target.kind) {
    case ReportLineKind::Duplicate:
        what = QStringLiteral("Object %1 of %2").arg(decodeText(document.table.cell(target.row, 0), document.encoding),
                                                     decodeText(document.table.cell(target.row, 1), document.encoding));
        break;
    case ReportLineKind::TestStatus:
        what = QStringLiteral("Status Test");
        break;
    default: {
        const QString value = decodeText(document.table.cell(target.row, target.column), document.encoding);
        what = QStringLiteral("%1 %2").arg(columnName(target.column), value);
    }
        break;
    }
    showDataPage();
    m_findBar->showRows(rows, -1, what);
    return true;
}

void DocumentExplorer::showOnlyJumpRows()
{
    const std::vector<int> rows = m_findBar->jumpTableRows();
    if (!rows.empty())
        m_rowView->showOnlyRows(rows, m_findBar->jumpWhat());
}

void DocumentExplorer::showOnlyMatches()
{
    const QString text = m_findBar->textEdit()->text();
    if (text.isEmpty())
        return;
    const int column = m_findBar->searchColumn();
    const QString where = column >= 0 ? QStringLiteral(" in %1").arg(columnName(column)) : QString();
    m_rowView->showOnlyMatches(column, text, QStringLiteral("\"%1\"%2").arg(text, where));
}

void DocumentExplorer::showCurrentLine()
{
    auto* mainWindow = qobject_cast<QMainWindow*>(m_window.window());
    const QModelIndex current = m_window.StringGrid1->currentIndex();
    if (!mainWindow || !current.isValid())
        return;
    const auto* model = static_cast<const DataTableModel*>(m_window.StringGrid1->model());
    const std::uint64_t line = m_window.document().columnNameLineNumber
        + static_cast<std::uint64_t>(model->tableRow(current.row()));
    mainWindow->statusBar()->showMessage(QStringLiteral("Line %1").arg(line));
}

void DocumentExplorer::showDataPage()
{
    m_window.PageControl1->setCurrentWidget(m_window.TabSheet2);
}

const DataTableModel& DocumentExplorer::dataModel() const
{
    return *static_cast<const DataTableModel*>(m_window.StringGrid1->model());
}

QString DocumentExplorer::columnName(int column) const
{
    return decodeText(m_window.document().table.cell(0, column), m_window.document().encoding);
}

void DocumentExplorer::showStatisticsRow(int row)
{
    const StatisticsTable& statistics = m_window.document().summary.statistics;
    const int statisticsRow = row + statistics.fixedRowCount();
    const int column = statistics.measurementColumn(statisticsRow);
    if (column < 0)
        return;
    showDataPage();
    const QString name = columnName(column);
    // A column with values that are not numbers has its name only: show those cells.
    if (statistics.cell(statisticsRow, 1).empty()) {
        const std::vector<int> rows = rowsWithoutNumber(m_window.document().table, column, userDecimalSeparator());
        m_findBar->showRows(rows, column, QStringLiteral("Cells of %1 that are not numbers").arg(name));
        return;
    }
    m_findBar->showColumn(column, QStringLiteral("Column %1").arg(name));
}

HistogramWindow* DocumentExplorer::showHistograms()
{
    const StatisticsTable& statistics = m_window.document().summary.statistics;
    std::set<int> rows;
    for (const QModelIndex& index : m_window.StringGrid2->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    if (rows.empty() && m_window.StringGrid2->currentIndex().isValid())
        rows.insert(m_window.StringGrid2->currentIndex().row());

    std::vector<Histogram> histograms;
    QStringList names;
    const char separator = userDecimalSeparator();
    // A tenth of a second or so per measurement of a million rows.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    for (const int row : rows) {
        const int column = statistics.measurementColumn(row + statistics.fixedRowCount());
        if (column < 0)
            continue;
        histograms.push_back(buildHistogram(m_window.document().table, column, separator, BinRule::FreedmanDiaconis,
                                            dataModel().shownRows()));
        names.append(columnName(column));
    }
    if (histograms.empty())
        return nullptr;
    // A window of its own beside the main window: presses in it are not presses in the
    // document window.
    QWidget* owner = m_window.window() != &m_window ? m_window.window() : nullptr;
    QString title = m_window.windowTitle();
    if (m_rowView->filtered())
        title += QStringLiteral(" (%1 of %2 rows shown)").arg(dataModel().rowCount()).arg(m_window.document().table.objectCount());
    auto* window = new HistogramWindow(title, std::move(histograms), names, owner);
    window->show();
    return window;
}

} // namespace kvd
