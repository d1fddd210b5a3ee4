#include "viewer/GridCellDelegate.h"

#include "viewer/TextGrid.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

#include <algorithm>

namespace kvd {

namespace {

// The part of a cell that its view shows. A column that the right edge of the view cuts
// through has its text elided in that part, so that "5724.82" never reads "5724." and
// its tooltip shows the whole text.
QRect shownPart(const QStyleOptionViewItem& cell)
{
    const auto* view = qobject_cast<const QAbstractItemView*>(cell.widget);
    QRect rect = cell.rect;
    if (view)
        rect.setRight(std::min(rect.right(), view->viewport()->width() - 1));
    return rect;
}

} // namespace

GridCellDelegate::GridCellDelegate(const TextGrid& grid, bool fixedView, QObject* parent)
    : QStyledItemDelegate(parent), m_grid(grid), m_fixedView(fixedView)
{
}

bool GridCellDelegate::textCut(const QStyleOptionViewItem& cell)
{
    if (cell.text.isEmpty())
        return false;
    const QWidget* widget = cell.widget;
    const QStyle* style = widget ? widget->style() : nullptr;
    if (!style)
        return false;
    // The room the style leaves the text, as it measures it before eliding.
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    return cell.fontMetrics.horizontalAdvance(cell.text) > textRect.width() - 2 * margin;
}

bool GridCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.rect = shownPart(cell);
    if (textCut(cell))
        QToolTip::showText(event->globalPos(), cell.text, view->viewport(), option.rect);
    else
        QToolTip::hideText();
    return true;
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    cell.rect = shownPart(cell);
    if (m_grid.rowSelected(index))
        cell.state |= QStyle::State_Selected;
    // A fixed cell is drawn in the selection colour only as the current cell found.
    if (m_fixedView && (cell.state & QStyle::State_Selected) && index == m_grid.currentIndex())
        cell.palette = m_grid.palette();
    QStyledItemDelegate::paint(painter, cell, index);
}

} // namespace kvd
