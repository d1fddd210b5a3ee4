#include "viewer/TextGrid.h"

#include "common/GridMetrics.h"
#include "viewer/DataTableModel.h"
#include "viewer/SelectionText.h"

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
    // Fixed cells keep their colour when a selection (Ctrl+A) takes them in.
    QPalette fixedPalette = m_fixedView->palette();
    fixedPalette.setColor(QPalette::Highlight, FixedCellColour);
    fixedPalette.setColor(QPalette::HighlightedText, fixedPalette.color(QPalette::Text));
    m_fixedView->setPalette(fixedPalette);
    // A click into the fixed columns selects nothing; keys (Ctrl+C, arrows) go to the
    // grid after it.
    m_fixedView->viewport()->installEventFilter(this);
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

bool TextGrid::hasScrollingColumns() const
{
    return model() && model()->columnCount() > m_fixedColumnCount;
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

bool TextGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_fixedView->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            setFocus(Qt::MouseFocusReason);
            return true;
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            return true;
        default:
            break;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void TextGrid::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    QRect area = rect.normalized();
    if (hasScrollingColumns()) {
        // A point under the fixed columns stands for the column seen beside them.
        const int edge = fixedColumnsWidth();
        if (area.left() >= 0 && area.left() < edge)
            area.setLeft(edge);
        if (area.right() >= 0 && area.right() < edge)
            area.setRight(edge);
    }
    QTableView::setSelection(area, command);
}

QModelIndex TextGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex previous = currentIndex();
    QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    if (current.isValid() && hasScrollingColumns() && current.column() < m_fixedColumnCount) {
        if (cursorAction == MovePrevious) {
            // From the first scrollable cell of a row to the last cell of the row above.
            const int row = previous.isValid() ? previous.row() : current.row();
            current = row > 0 ? model()->index(row - 1, model()->columnCount() - 1, rootIndex())
                              : model()->index(row, m_fixedColumnCount, rootIndex());
        } else {
            current = model()->index(current.row(), m_fixedColumnCount, rootIndex());
        }
    }
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

void TextGrid::focusInEvent(QFocusEvent* event)
{
    const bool hadCurrent = currentIndex().isValid();
    QTableView::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid() && selectionModel())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

QItemSelectionModel::SelectionFlags TextGrid::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    const bool ranges = selectionMode() == ContiguousSelection || selectionMode() == ExtendedSelection;
    if (event && event->type() == QEvent::KeyPress && ranges) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::ShiftModifier;
        if ((key->modifiers() & both) == both && (key->key() == Qt::Key_Home || key->key() == Qt::Key_End))
            return QItemSelectionModel::SelectCurrent
                   | (selectionBehavior() == SelectRows      ? QItemSelectionModel::Rows
                      : selectionBehavior() == SelectColumns ? QItemSelectionModel::Columns
                                                             : QItemSelectionModel::NoUpdate);
    }
    return QTableView::selectionCommand(index, event);
}

void TextGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(selectedText());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
    // Home shows its cell also when it was current already and scrolled out of view.
    if (event->key() == Qt::Key_Home && currentIndex().isValid())
        scrollTo(currentIndex());
}

} // namespace kvd
