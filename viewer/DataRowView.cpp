#include "viewer/DataRowView.h"

#include "datafile/NumberText.h"
#include "document/Document.h"
#include "summary/Collation.h"
#include "summary/RowOrder.h"
#include "viewer/DataTableModel.h"
#include "viewer/TextGrid.h"

#include "summary/CellSearch.h"
#include "viewer/ConditionDialog.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

#include <numeric>

namespace kvd {

DataRowView::DataRowView(TextGrid& grid, DataTableModel& model, const Document& document, QObject* parent)
    : QObject(parent), m_grid(grid), m_model(model), m_document(document)
{
    sortAscendingAction = new QAction(QStringLiteral("Sort &ascending"), this);
    sortDescendingAction = new QAction(QStringLiteral("Sort &descending"), this);
    fileOrderAction = new QAction(QStringLiteral("File &order"), this);
    connect(sortAscendingAction, &QAction::triggered, this, [this] { sortBy(currentColumn(), Order::Ascending); });
    connect(sortDescendingAction, &QAction::triggered, this, [this] { sortBy(currentColumn(), Order::Descending); });
    connect(fileOrderAction, &QAction::triggered, this, [this] { sortBy(-1, Order::File); });
    conditionAction = new QAction(QStringLiteral("Show only rows &where..."), this);
    connect(conditionAction, &QAction::triggered, this, &DataRowView::askCondition);

    m_filterLine = new QWidget;
    auto* line = new QHBoxLayout(m_filterLine);
    line->setContentsMargins(4, 2, 4, 2);
    m_filterLabel = new QLabel;
    m_showAll = new QPushButton(QStringLiteral("Show all"));
    line->addWidget(m_filterLabel, 1);
    line->addWidget(m_showAll);
    m_filterLine->hide();
    connect(m_showAll, &QPushButton::clicked, this, &DataRowView::showAll);
    for (QTableView* view : {static_cast<QTableView*>(&grid), grid.fixedColumnView()}) {
        // A heading sorts; it no longer selects its column (and moves the current
        // cell away from the object it is on).
        QHeaderView* header = view->horizontalHeader();
        disconnect(header, SIGNAL(sectionPressed(int)), view, SLOT(selectColumn(int)));
        disconnect(header, SIGNAL(sectionEntered(int)), view, SLOT(_q_selectColumn(int)));
        header->setSectionsClickable(true);
        connect(header, &QHeaderView::sectionClicked, this, &DataRowView::sortNext);
    }
}

int DataRowView::currentColumn() const
{
    return std::max(0, m_grid.currentIndex().column());
}

void DataRowView::sortNext(int column)
{
    if (column != m_sortColumn || m_order == Order::File)
        sortBy(column, Order::Ascending);
    else
        sortBy(column, m_order == Order::Ascending ? Order::Descending : Order::File);
}

void DataRowView::sortBy(int column, Order order)
{
    m_sortColumn = order == Order::File ? -1 : column;
    m_order = column < 0 ? Order::File : order;
    apply();
}

bool DataRowView::sortsAsNumbers(int column) const
{
    for (const MeasurementFigures& figures : m_document.summary.figures) {
        if (figures.column == column)
            return figures.state != MeasurementFigures::State::NotNumeric;
    }
    return false;
}

void DataRowView::apply()
{
    const QModelIndex current = m_grid.currentIndex();
    const int currentTableRow = current.isValid() ? m_model.tableRow(current.row()) : -1;
    if (m_order == Order::File && m_filter.empty()) {
        m_model.showAllRows();
    } else {
        // A second or so for ten million rows.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        std::vector<std::int32_t> rows = m_filter.shownRows(m_document.table, userDecimalSeparator());
        const SortRules rules{Collation::forLocale(QLocale()), m_document.encoding, userDecimalSeparator()};
        if (m_order != Order::File) {
            sortRows(m_document.table, m_sortColumn,
                     sortsAsNumbers(m_sortColumn) ? CellOrder::Numbers : CellOrder::Texts,
                     m_order == Order::Ascending ? SortDirection::Ascending : SortDirection::Descending, rules, rows);
        }
        m_model.setShownRows(std::move(rows));
    }
    showSortIndicator();
    showFilterLine();
    const int row = currentTableRow >= 0 ? m_model.modelRow(currentTableRow) : -1;
    if (row >= 0) {
        const QModelIndex index = m_model.index(row, current.column());
        m_grid.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_grid.scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
}

void DataRowView::showSortIndicator()
{
    const Qt::SortOrder order = m_order == Order::Descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    for (QTableView* view : {static_cast<QTableView*>(&m_grid), m_grid.fixedColumnView()}) {
        QHeaderView* header = view->horizontalHeader();
        header->setSortIndicatorShown(m_order != Order::File);
        header->setSortIndicator(m_order == Order::File ? -1 : m_sortColumn, order);
    }
}

} // namespace kvd

namespace kvd {

void DataRowView::showOnlyRows(const std::vector<int>& tableRows, const QString& what)
{
    m_filter.addRows(tableRows, what.toStdString());
    apply();
}

void DataRowView::showOnlyMatches(int column, const QString& text, const QString& what)
{
    m_filter.addMatches(column, std::make_shared<const CellSearch>(text, Collation::forLocale(QLocale()), m_document.encoding),
                        what.toStdString());
    apply();
}

void DataRowView::showOnlyCondition(const NumberCondition& condition, const QString& what)
{
    m_filter.addCondition(condition, what.toStdString());
    apply();
}

void DataRowView::showAll()
{
    m_filter.clear();
    apply();
}

void DataRowView::showFilterLine()
{
    if (m_filter.empty()) {
        m_filterLine->hide();
        return;
    }
    QStringList parts;
    for (const std::string& description : m_filter.descriptions())
        parts.append(QString::fromStdString(description));
    m_filterLabel->setText(QStringLiteral("%1 of %2 rows shown (%3)")
                               .arg(m_model.rowCount())
                               .arg(m_document.table.objectCount())
                               .arg(parts.join(QStringLiteral("; "))));
    m_filterLine->show();
}

void DataRowView::askCondition()
{
    const int column = currentColumn();
    const QString name = decodeText(m_document.table.cell(0, column), m_document.encoding);
    ConditionDialog dialog(name, m_grid.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    NumberCondition condition = dialog.condition();
    condition.column = column;
    showOnlyCondition(condition, dialog.description());
}

} // namespace kvd
