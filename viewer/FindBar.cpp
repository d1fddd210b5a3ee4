#include "viewer/FindBar.h"

#include "datafile/DataTable.h"
#include "viewer/DataTableModel.h"
#include "viewer/ElidedLabel.h"
#include "viewer/TextGrid.h"
#include "summary/CellSearch.h"
#include "summary/Collation.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace kvd {

namespace {

// Rows examined between two looks at the clock, and the time one turn of the event
// loop may search before the window gets to handle its events again.
constexpr int RowsPerStep = 4096;
// A search running this long shows its progress and the Stop button.
constexpr qint64 ProgressAfterMilliseconds = 150;

QToolButton* barButton(const QString& text, const QString& hint)
{
    auto* button = new QToolButton;
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

FindBar::FindBar(TextGrid& grid, const DataTableModel& model, const DataTable& table, const TextEncoding& encoding,
                 QWidget* parent)
    : QWidget(parent), m_grid(grid), m_model(model), m_table(table), m_encoding(encoding)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    layout->addWidget(new QLabel(QStringLiteral("Find:")));
    m_text = new QLineEdit;
    m_text->setClearButtonEnabled(true);
    m_text->setMinimumWidth(120);
    m_text->installEventFilter(this);
    layout->addWidget(m_text, 1);
    m_column = new QComboBox;
    m_column->setToolTip(QStringLiteral("Search every column, or only one"));
    m_column->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    layout->addWidget(m_column);
    m_previous = barButton(QStringLiteral("Previous"), QStringLiteral("Find the previous cell (Shift+F3)"));
    m_next = barButton(QStringLiteral("Next"), QStringLiteral("Find the next cell (Return, F3)"));
    layout->addWidget(m_previous);
    layout->addWidget(m_next);
    m_status = new ElidedLabel;
    m_status->setMinimumWidth(60);
    layout->addWidget(m_status, 1);
    m_stop = barButton(QStringLiteral("Stop"), QStringLiteral("Stop the search"));
    m_stop->hide();
    layout->addWidget(m_stop);
    m_close = barButton(QStringLiteral("\u2715"), QStringLiteral("Close the find bar (Escape)"));
    layout->addWidget(m_close);

    connect(m_next, &QToolButton::clicked, this, [this] { find(TableSearch::Direction::Forward); });
    connect(m_previous, &QToolButton::clicked, this, [this] { find(TableSearch::Direction::Backward); });
    connect(m_stop, &QToolButton::clicked, this, &FindBar::stop);
    connect(m_close, &QToolButton::clicked, this, &FindBar::close);
    // Typing a text leaves the rows of a report line behind.
    connect(m_text, &QLineEdit::textEdited, this, [this] { m_rows = RowSet(); });
    hide();
}

FindBar::~FindBar() = default;

void FindBar::open()
{
    fillColumnChoice();
    show();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

void FindBar::close()
{
    stop();
    hide();
    m_grid.setFocus(Qt::OtherFocusReason);
}

void FindBar::fillColumnChoice()
{
    const int columns = m_model.columnCount();
    if (m_column->count() == columns + 1)
        return;
    const int chosen = m_column->currentData().isValid() ? m_column->currentData().toInt() : -1;
    m_column->clear();
    m_column->addItem(QStringLiteral("All columns"), -1);
    for (int column = 0; column < columns; ++column) {
        QString name = m_model.headerData(column, Qt::Horizontal).toString();
        if (name.isEmpty())
            name = QStringLiteral("Column %1").arg(column + 1);
        m_column->addItem(name, column);
    }
    m_column->setCurrentIndex(std::max(0, m_column->findData(chosen)));
}

void FindBar::findNext()
{
    if (!m_rows.empty())
        stepRows(+1);
    else if (m_text->text().isEmpty())
        open();
    else
        find(TableSearch::Direction::Forward);
}

void FindBar::findPrevious()
{
    if (!m_rows.empty())
        stepRows(-1);
    else if (m_text->text().isEmpty())
        open();
    else
        find(TableSearch::Direction::Backward);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_rows = RowSet();
            find(key->modifiers() & Qt::ShiftModifier ? TableSearch::Direction::Backward
                                                      : TableSearch::Direction::Forward);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

TableCell FindBar::currentCell() const
{
    const QModelIndex current = m_grid.currentIndex();
    if (!current.isValid())
        return TableCell{-1, -1};
    return TableCell{placeOfModelRow(current.row()), current.column()};
}

void FindBar::find(TableSearch::Direction direction)
{
    stop();
    if (m_text->text().isEmpty()) {
        setStatus(QString());
        return;
    }
    fillColumnChoice();
    show(); // F3 with the bar closed: its answer shows in the bar
    m_cellSearch = std::make_unique<CellSearch>(m_text->text(), Collation::forLocale(QLocale()), m_encoding);
    m_tableSearch = std::make_unique<TableSearch>(m_table, *m_cellSearch, m_column->currentData().toInt(),
                                                  currentCell(), direction, m_model.shownRows());
    m_searchClock.start();
    runSearch();
}

void FindBar::runSearch()
{
    if (!m_tableSearch)
        return;
    const qint64 turnStart = m_searchClock.elapsed();
    while (m_tableSearch->step(RowsPerStep) == TableSearch::Status::Running) {
        if (m_searchClock.elapsed() - turnStart >= m_millisecondsPerTurn)
            break;
    }
    if (m_tableSearch->status() != TableSearch::Status::Running) {
        finishSearch();
        return;
    }
    if (m_searchClock.elapsed() >= ProgressAfterMilliseconds || m_millisecondsPerTurn == 0) {
        const auto percent =
            m_tableSearch->rowsExamined() * 100 / std::max<std::int64_t>(1, m_tableSearch->rowsInTurn());
        setStatus(QStringLiteral("Searching\u2026 %1%").arg(percent));
        m_stop->show();
    }
    QTimer::singleShot(0, this, &FindBar::runSearch);
}

void FindBar::finishSearch()
{
    const bool found = m_tableSearch->status() == TableSearch::Status::Found;
    const TableCell cell = m_tableSearch->found();
    m_tableSearch.reset();
    m_stop->hide();
    if (found) {
        setStatus(QString());
        goToCell(modelRowOfPlace(cell.row), cell.column, false);
    } else {
        setStatus(QStringLiteral("not found"), true);
    }
    emit searchFinished();
}

void FindBar::stop()
{
    if (!m_tableSearch)
        return;
    m_tableSearch.reset();
    m_stop->hide();
    setStatus(QStringLiteral("Search stopped"));
    emit searchFinished();
}

int FindBar::placeOfModelRow(int modelRow) const noexcept
{
    return m_model.shownRows() ? modelRow + 1 : m_model.tableRow(modelRow);
}

int FindBar::modelRowOfPlace(int place) const noexcept
{
    return m_model.shownRows() ? place - 1 : place - m_model.fixedRowCount();
}

void FindBar::goToCell(int modelRow, int column, bool keepSelection)
{
    const QModelIndex index = m_model.index(modelRow, column);
    if (!index.isValid())
        return;
    // A row out of sight comes to the middle of the grid, where the eye finds it.
    const QRect cell = m_grid.visualRect(index);
    const bool inSight = cell.top() >= 0 && cell.bottom() < m_grid.viewport()->height();
    m_grid.selectionModel()->setCurrentIndex(index, keepSelection ? QItemSelectionModel::NoUpdate
                                                                  : QItemSelectionModel::ClearAndSelect);
    m_grid.scrollTo(index, inSight ? QAbstractItemView::EnsureVisible : QAbstractItemView::PositionAtCenter);
}

void FindBar::showRows(const std::vector<int>& rows, int column, const QString& what)
{
    stop();
    fillColumnChoice();
    show();
    m_rows = modelRowsOf(rows);
    m_rowsColumn = column;
    m_rowsWhat = what;
    m_rowIndex = 0;
    if (m_rows.empty()) {
        m_grid.selectionModel()->clearSelection();
        m_grid.clearRowSelection();
        setStatus(what + QStringLiteral(": no row"), true);
        return;
    }
    const int left = column >= 0 ? column : 0;
    const int right = column >= 0 ? column : m_model.columnCount() - 1;
    m_grid.selectRows(m_rows, left, right);
    stepRows(0);
    m_grid.setFocus(Qt::OtherFocusReason);
}

RowSet FindBar::modelRowsOf(const std::vector<int>& tableRows) const
{
    RowSet modelRows;
    const std::vector<std::int32_t>* shown = m_model.shownRows();
    if (!shown) {
        const int fixedRows = m_model.fixedRowCount();
        modelRows.reserve(tableRows.empty() ? 0 : tableRows.back() - fixedRows + 1);
        for (const int row : tableRows)
            modelRows.add(row - fixedRows);
        return modelRows;
    }
    // The rows in the order shown: one pass over the view, a bit a table row.
    std::vector<bool> isWanted(static_cast<std::size_t>(m_table.rowCount()) + 1, false);
    for (const int row : tableRows) {
        if (row >= 0 && row < m_table.rowCount())
            isWanted[static_cast<std::size_t>(row)] = true;
    }
    modelRows.reserve(static_cast<int>(shown->size()));
    for (std::size_t place = 0; place < shown->size(); ++place) {
        if (isWanted[static_cast<std::size_t>((*shown)[place])])
            modelRows.add(static_cast<int>(place));
    }
    return modelRows;
}

std::vector<int> FindBar::jumpTableRows() const
{
    std::vector<int> rows;
    rows.reserve(m_rows.size());
    for (const int row : m_rows)
        rows.push_back(m_model.tableRow(row));
    std::sort(rows.begin(), rows.end());
    return rows;
}

int FindBar::searchColumn() const
{
    return m_column->currentData().isValid() ? m_column->currentData().toInt() : -1;
}

void FindBar::stepRows(int delta)
{
    if (m_rows.empty())
        return;
    const auto count = static_cast<std::ptrdiff_t>(m_rows.size());
    m_rowIndex = static_cast<std::size_t>(((static_cast<std::ptrdiff_t>(m_rowIndex) + delta) % count + count) % count);
    const int column = m_rowsColumn >= 0 ? m_rowsColumn : std::max(0, m_grid.currentIndex().column());
    goToCell(m_rows[m_rowIndex], column, true);
    setStatus(QStringLiteral("%1: row %2 of %3 (F3, Shift+F3)").arg(m_rowsWhat).arg(m_rowIndex + 1).arg(m_rows.size()));
}

void FindBar::showColumn(int column, const QString& what)
{
    stop();
    m_rows = RowSet();
    fillColumnChoice();
    show();
    const int rows = m_model.rowCount();
    if (rows < 1 || column < 0 || column >= m_model.columnCount())
        return;
    m_grid.selectionModel()->select(QItemSelection(m_model.index(0, column), m_model.index(rows - 1, column)),
                                    QItemSelectionModel::ClearAndSelect);
    const int row = std::max(0, m_grid.currentIndex().row());
    goToCell(row, column, true);
    setStatus(what);
    m_grid.setFocus(Qt::OtherFocusReason);
}

void FindBar::setStatus(const QString& text, bool problem)
{
    m_status->setText(text);
    m_status->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
}

} // namespace kvd
