#include "document/TextGrid.h"

#include "document/DataTableModel.h"
#include "document/SelectionText.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace kvd {

namespace {

QString headerStyleSheet()
{
    return QStringLiteral("QHeaderView::section { background-color: %1; color: black;"
                          " border: none; border-right: 1px solid #808080; border-bottom: 1px solid #808080;"
                          " padding-left: 3px; }")
        .arg(FixedCellColour.name());
}

} // namespace

TextGrid::TextGrid(QWidget* parent)
    : QTableView(parent), m_fixedView(new QTableView(this))
{
    setUpView(*this);
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerItem);

    setUpView(*m_fixedView);
    m_fixedView->setFocusPolicy(Qt::NoFocus);
    m_fixedView->setFrameShape(QFrame::NoFrame);
    m_fixedView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixedView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixedView->setVerticalScrollMode(ScrollPerItem);
    m_fixedView->hide();
    viewport()->stackUnder(m_fixedView);

    // Keys (Ctrl+C, arrows) go to the grid also after a click into the fixed columns.
    connect(m_fixedView, &QAbstractItemView::pressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    connect(m_fixedView->verticalScrollBar(), &QAbstractSlider::valueChanged,
            verticalScrollBar(), &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged,
            m_fixedView->verticalScrollBar(), &QAbstractSlider::setValue);
    // A border dragged in either view resizes the column in both.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (column < m_fixedColumnCount) {
            m_fixedView->setColumnWidth(column, width);
            updateFixedViewGeometry();
        }
    });
    connect(m_fixedView->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (column < m_fixedColumnCount && columnWidth(column) != width)
                    setColumnWidth(column, width);
            });
}

void TextGrid::setUpView(QTableView& view)
{
    view.setEditTriggers(NoEditTriggers);
    view.setSelectionMode(ContiguousSelection);
    view.setSelectionBehavior(SelectItems);
    view.setTextElideMode(Qt::ElideNone);
    view.setWordWrap(false);
    view.setCornerButtonEnabled(false);

    QHeaderView* rows = view.verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(RowHeight);

    QHeaderView* columns = view.horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionsMovable(false);
    columns->setSectionsClickable(false);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(1);
    columns->setDefaultSectionSize(DefaultColumnWidth);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setFixedHeight(RowHeight);
    columns->setStyleSheet(headerStyleSheet());
}

void TextGrid::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    m_fixedView->setModel(model);
    m_fixedView->setSelectionModel(selectionModel());
    if (model) {
        // After the views' own handling of the reset, which forgets hidden columns.
        connect(model, &QAbstractItemModel::modelReset, this, &TextGrid::updateFixedColumns);
        connect(model, &QAbstractItemModel::columnsInserted, this, &TextGrid::updateFixedColumns);
    }
    updateFixedColumns();
}

void TextGrid::setFixedColumnCount(int count)
{
    m_fixedColumnCount = std::max(0, count);
    updateFixedColumns();
}

void TextGrid::setFixedRowVisible(bool visible)
{
    horizontalHeader()->setVisible(visible);
    m_fixedView->horizontalHeader()->setVisible(visible);
    updateFixedViewGeometry();
}

void TextGrid::setColumnWidths(const std::vector<int>& widths)
{
    for (std::size_t column = 0; column < widths.size(); ++column)
        setColumnWidth(static_cast<int>(column), widths[column]);
}

void TextGrid::updateFixedColumns()
{
    const int columns = model() ? model()->columnCount() : 0;
    for (int column = 0; column < columns; ++column) {
        const bool fixed = column < m_fixedColumnCount;
        m_fixedView->setColumnHidden(column, !fixed);
        if (fixed)
            m_fixedView->setColumnWidth(column, columnWidth(column));
    }
    m_fixedView->setVisible(m_fixedColumnCount > 0 && columns > 0);
    updateFixedViewGeometry();
}

int TextGrid::fixedColumnsWidth() const
{
    int width = 0;
    const int columns = model() ? std::min(m_fixedColumnCount, model()->columnCount()) : 0;
    for (int column = 0; column < columns; ++column)
        width += columnWidth(column);
    return width;
}

void TextGrid::updateFixedViewGeometry()
{
    const int headerHeight = horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0;
    m_fixedView->setGeometry(frameWidth(), frameWidth(), fixedColumnsWidth(),
                             viewport()->height() + headerHeight);
}

void TextGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    updateFixedViewGeometry();
}

QModelIndex TextGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    // A cell moved to from the right must not end up under the fixed columns.
    const int fixedWidth = fixedColumnsWidth();
    if (current.isValid() && current.column() >= m_fixedColumnCount && visualRect(current).left() < fixedWidth) {
        const int shift = visualRect(current).left() - fixedWidth;
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + shift);
    }
    return current;
}

void TextGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    if (index.column() >= m_fixedColumnCount) {
        QTableView::scrollTo(index, hint);
        const int fixedWidth = fixedColumnsWidth();
        if (visualRect(index).left() < fixedWidth)
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + visualRect(index).left() - fixedWidth);
        return;
    }
    // A fixed column is always in view: only bring its row in.
    const int value = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(value);
}

QString TextGrid::selectedText() const
{
    if (!model() || !selectionModel())
        return {};
    return selectionText(*model(), selectionModel()->selection());
}

void TextGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(selectedText());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace kvd
