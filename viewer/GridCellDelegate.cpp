#include "viewer/GridCellDelegate.h"

#include "viewer/TextGrid.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

namespace kvd {

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
    if (textCut(cell))
        QToolTip::showText(event->globalPos(), cell.text, view->viewport(), option.rect);
    else
        QToolTip::hideText();
    return true;
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    if (m_grid.rowSelected(index))
        cell.state |= QStyle::State_Selected;
    // A fixed cell is drawn in the selection colour only as the current cell found.
    if (m_fixedView && (cell.state & QStyle::State_Selected) && index == m_grid.currentIndex())
        cell.palette = m_grid.palette();
    QStyledItemDelegate::paint(painter, cell, index);
}

} // namespace kvd
