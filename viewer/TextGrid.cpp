#include "viewer/TextGrid.h"

#include "common/GridMetrics.h"
#include "viewer/DataTableModel.h"
#include "viewer/GridCellDelegate.h"
#include "viewer/SelectionText.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QProgressDialog>
#include <QScrollBar>
#include <QStyle>
#include <QToolTip>

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

// The heading of a column, when it is too wide for its section (and so drawn
// elided); empty otherwise.
QString cutHeading(const QHeaderView& header, int section)
{
    if (section < 0 || !header.model())
        return {};
    const QString text = header.model()->headerData(section, header.orientation()).toString();
    const int margins = 2 * header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header) + 3; // + padding
    return header.fontMetrics().horizontalAdvance(text) > header.sectionSize(section) - margins ? text : QString();
}

} // namespace

TextGrid::TextGrid(QWidget* parent)
    : QTableView(parent), m_fixedView(new QTableView(this))
{
    setUpView(*this);
    setHorizontalScrollMode(ScrollPerItem);
    setVerticalScrollMode(ScrollPerItem);

    setItemDelegate(new GridCellDelegate(*this, false, this));
    setUpView(*m_fixedView);
    m_fixedView->setItemDelegate(new GridCellDelegate(*this, true, m_fixedView));
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
    view.setTextElideMode(Qt::ElideRight);
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
    columns->setTextElideMode(Qt::ElideRight);
    columns->viewport()->installEventFilter(this);
}

void TextGrid::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    m_fixedView->setModel(model);
    m_fixedView->setSelectionModel(selectionModel());
    clearRowSelection();
    if (selectionModel()) {
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            if (!m_selectingRows)
                clearRowSelection();
        });
    }
    if (model) {
        connect(model, &QAbstractItemModel::modelReset, this, &TextGrid::clearRowSelection);
        connect(model, &QAbstractItemModel::layoutChanged, this, &TextGrid::clearRowSelection);
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
    updateGeometries();
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
    if (event->type() == QEvent::ToolTip) {
        for (const QTableView* view : {static_cast<const QTableView*>(this), static_cast<const QTableView*>(m_fixedView)}) {
            if (watched != view->horizontalHeader()->viewport())
                continue;
            const auto* help = static_cast<QHelpEvent*>(event);
            const QHeaderView& header = *view->horizontalHeader();
            const QString text = cutHeading(header, header.logicalIndexAt(help->pos()));
            if (text.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), text, header.viewport());
            return true;
        }
    }
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
    return current;
}

void TextGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    // The table view brings the row in; the column is this grid's business.
    const int value = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    const bool scrolling = index.column() >= m_fixedColumnCount;
    horizontalScrollBar()->setValue(scrolling ? scrollValueShowing(index.column(), value) : value);
}

int TextGrid::scrollingWidth() const
{
    return std::max(0, viewport()->width() - fixedColumnsWidth());
}

int TextGrid::lastScrollValue() const
{
    const int columns = model() ? model()->columnCount() : 0;
    if (columns <= m_fixedColumnCount)
        return 0;
    // The leftmost column from which all the rest fit beside the fixed columns.
    int first = columns - 1;
    int width = columnWidth(first);
    while (first > m_fixedColumnCount && width + columnWidth(first - 1) <= scrollingWidth())
        width += columnWidth(--first);
    return first - m_fixedColumnCount;
}

int TextGrid::scrollValueShowing(int column, int value) const
{
    const int first = m_fixedColumnCount + value;
    if (column < first)
        return column - m_fixedColumnCount;
    // Move the first column right until `column` fits, or becomes the first.
    int start = column;
    int width = columnWidth(column);
    while (start > first && width + columnWidth(start - 1) <= scrollingWidth())
        width += columnWidth(--start);
    return std::min(start - m_fixedColumnCount, std::max(value, lastScrollValue()));
}

void TextGrid::applyColumnOffset()
{
    int offset = 0;
    if (hasScrollingColumns()) {
        const int first = m_fixedColumnCount + horizontalScrollBar()->value();
        offset = horizontalHeader()->sectionPosition(std::min(first, model()->columnCount() - 1))
                 - horizontalHeader()->sectionPosition(m_fixedColumnCount);
    }
    if (horizontalHeader()->offset() != offset) {
        horizontalHeader()->setOffset(offset);
        viewport()->update();
    }
}

void TextGrid::updateGeometries()
{
    QTableView::updateGeometries();
    const int last = lastScrollValue();
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, last);
    const int columns = model() ? model()->columnCount() : 0;
    bar->setPageStep(std::max(1, columns - m_fixedColumnCount - last));
    applyColumnOffset();
}

void TextGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dx != 0)
        applyColumnOffset();
}

void TextGrid::selectRows(RowSet rows, int leftColumn, int rightColumn)
{
    m_selectingRows = true;
    selectionModel()->clearSelection();
    m_selectingRows = false;
    m_rowSelection = std::move(rows);
    m_rowSelectionLeft = leftColumn;
    m_rowSelectionRight = rightColumn;
    viewport()->update();
    m_fixedView->viewport()->update();
}

bool TextGrid::rowSelected(const QModelIndex& index) const
{
    return index.isValid() && index.column() >= m_rowSelectionLeft && index.column() <= m_rowSelectionRight
           && m_rowSelection.contains(index.row());
}

void TextGrid::clearRowSelection()
{
    if (m_rowSelection.empty())
        return;
    m_rowSelection = RowSet();
    viewport()->update();
    m_fixedView->viewport()->update();
}

QString TextGrid::selectedText() const
{
    if (!model() || !selectionModel())
        return {};
    const QByteArray text = m_rowSelection.empty()
                                ? selectionText(*model(), selectionModel()->selection())
                                : rowsText(*model(), m_rowSelection, m_rowSelectionLeft, m_rowSelectionRight);
    return QString::fromUtf8(text);
}

bool TextGrid::copySelection()
{
    if (!model() || !selectionModel())
        return false;
    QProgressDialog progress(QStringLiteral("Copying the selected cells\u2026"), QStringLiteral("Cancel"), 0, 1000,
                             this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    progress.setAutoReset(false);
    const CopyProgress report = [&progress](std::int64_t done, std::int64_t total) {
        progress.setValue(static_cast<int>(done * 1000 / std::max<std::int64_t>(1, total)));
        return !progress.wasCanceled();
    };
    QByteArray text = m_rowSelection.empty()
                          ? selectionText(*model(), selectionModel()->selection(), report)
                          : rowsText(*model(), m_rowSelection, m_rowSelectionLeft, m_rowSelectionRight, report);
    if (progress.wasCanceled())
        return false;
    // Held as the UTF-8 bytes alone: a QString is made of them only if someone asks.
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("text/plain"), text);
    text = QByteArray();
    QApplication::clipboard()->setMimeData(mime);
    return true;
}

void TextGrid::focusInEvent(QFocusEvent* event)
{
    const bool hadCurrent = currentIndex().isValid();
    QTableView::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid() && selectionModel())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void TextGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (!m_extendingByKey)
        m_selectionAnchor = current;
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
        copySelection();
        event->accept();
        return;
    }
    const QModelIndex before = currentIndex();
    static constexpr int MoveKeys[] = {Qt::Key_Left, Qt::Key_Right,  Qt::Key_Up,       Qt::Key_Down,
                                       Qt::Key_Home, Qt::Key_End,    Qt::Key_PageUp,   Qt::Key_PageDown};
    const bool moveKey = std::find(std::begin(MoveKeys), std::end(MoveKeys), event->key()) != std::end(MoveKeys);
    m_extendingByKey = moveKey && (event->modifiers() & Qt::ShiftModifier) && m_selectionAnchor.isValid();
    QTableView::keyPressEvent(event);
    if (m_extendingByKey && currentIndex().isValid() && currentIndex() != before && selectionModel())
        selectionModel()->select(QItemSelection(m_selectionAnchor, currentIndex()), QItemSelectionModel::ClearAndSelect);
    m_extendingByKey = false;
    // Home shows its cell also when it was current already and scrolled out of view.
    if (event->key() == Qt::Key_Home && currentIndex().isValid())
        scrollTo(currentIndex());
}

} // namespace kvd
