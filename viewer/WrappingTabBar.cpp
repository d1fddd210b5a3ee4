#include "viewer/WrappingTabBar.h"

#include <QEvent>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>

#include <algorithm>

namespace kvd {

namespace {

// The strength of the hover highlight laid over a tab, out of 255.
constexpr int HoverAlpha = 70;

QStyleOptionTab::TabPosition positionInColumn(int index, int first, int last)
{
    if (first == last)
        return QStyleOptionTab::OnlyOneTab;
    if (index == first)
        return QStyleOptionTab::Beginning;
    return index == last ? QStyleOptionTab::End : QStyleOptionTab::Middle;
}

} // namespace

WrappingTabBar::WrappingTabBar(QWidget* parent)
    : QTabBar(parent)
{
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setExpanding(false);
    setDrawBase(false);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
}

std::vector<QRect> WrappingTabBar::wrappedRects(const std::vector<QSize>& sizes, int height, int current)
{
    // The columns, as ranges [first, end) of tabs, with their widths.
    struct Column {
        std::size_t first, end;
        int width;
    };
    std::vector<Column> columns;
    std::size_t first = 0;
    while (first < sizes.size()) {
        std::size_t end = first + 1;
        int columnHeight = sizes[first].height();
        while (end < sizes.size() && (height <= 0 || columnHeight + sizes[end].height() <= height))
            columnHeight += sizes[end++].height();
        int width = 0;
        for (std::size_t i = first; i < end; ++i)
            width = std::max(width, sizes[i].width());
        columns.push_back({first, end, width});
        first = end;
    }
    // The current tab's column next to the pages, where the tab joins its page.
    const auto currentColumn = std::find_if(columns.begin(), columns.end(), [&](const Column& column) {
        return current >= 0 && static_cast<std::size_t>(current) >= column.first
               && static_cast<std::size_t>(current) < column.end;
    });
    if (currentColumn != columns.end())
        std::rotate(columns.begin(), currentColumn, currentColumn + 1);

    std::vector<QRect> rects(sizes.size());
    int x = 0;
    for (const Column& column : columns) {
        int y = 0;
        for (std::size_t i = column.first; i < column.end; ++i) {
            rects[i] = QRect(x, y, column.width, sizes[i].height());
            y += sizes[i].height();
        }
        x += column.width;
    }
    return rects;
}

std::vector<QSize> WrappingTabBar::tabSizes() const
{
    std::vector<QSize> sizes;
    sizes.reserve(static_cast<std::size_t>(count()));
    for (int index = 0; index < count(); ++index)
        sizes.push_back(tabSizeHint(index));
    return sizes;
}

int WrappingTabBar::availableHeight() const
{
    return parentWidget() ? parentWidget()->height() : height();
}

std::vector<QRect> WrappingTabBar::tabRects() const
{
    return wrappedRects(tabSizes(), availableHeight(), currentIndex());
}

int WrappingTabBar::columnCount() const
{
    int columns = 0;
    int lastLeft = -1;
    for (const QRect& rect : tabRects()) {
        if (rect.left() != lastLeft) {
            ++columns;
            lastLeft = rect.left();
        }
    }
    return columns;
}

int WrappingTabBar::tabIndexAt(QPoint position) const
{
    const std::vector<QRect> rects = tabRects();
    for (std::size_t index = 0; index < rects.size(); ++index) {
        if (rects[index].contains(position))
            return static_cast<int>(index);
    }
    return -1;
}

QSize WrappingTabBar::sizeHint() const
{
    QRect bounds;
    for (const QRect& rect : tabRects())
        bounds |= rect;
    return bounds.size();
}

QSize WrappingTabBar::minimumSizeHint() const
{
    // One tab per column.
    QSize size;
    for (const QSize& tab : tabSizes())
        size = QSize(size.width() + tab.width(), std::max(size.height(), tab.height()));
    return size;
}

void WrappingTabBar::tabLayoutChange()
{
    QTabBar::tabLayoutChange();
    updateGeometry();
    update();
}

void WrappingTabBar::setHovered(int index)
{
    if (index == m_hovered)
        return;
    m_hovered = index;
    update();
}

bool WrappingTabBar::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        setHovered(tabIndexAt(static_cast<QHoverEvent*>(event)->position().toPoint()));
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        setHovered(-1);
        break;
    default:
        break;
    }
    return QTabBar::event(event);
}

void WrappingTabBar::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    const std::vector<QRect> rects = tabRects();
    const auto paintTab = [&](int index) {
        QStyleOptionTab option;
        initStyleOption(&option, index);
        const QRect& rect = rects[static_cast<std::size_t>(index)];
        // Some styles draw a vertical tab's shape as if it stood at the left edge: draw
        // each at the origin, moved into place.
        option.rect = QRect(QPoint(0, 0), rect.size());
        int first = index, last = index;
        while (first > 0 && rects[static_cast<std::size_t>(first - 1)].left() == rect.left())
            --first;
        while (last + 1 < count() && rects[static_cast<std::size_t>(last + 1)].left() == rect.left())
            ++last;
        option.position = positionInColumn(index, first, last);
        option.selectedPosition = QStyleOptionTab::NotAdjacent;
        option.state.setFlag(QStyle::State_MouseOver, index == m_hovered);
        painter.save();
        painter.translate(rect.topLeft());
        painter.drawControl(QStyle::CE_TabBarTab, option);
        if (index == m_hovered) {
            QColor highlight = palette().color(QPalette::Highlight);
            highlight.setAlpha(HoverAlpha);
            painter.fillRect(option.rect.adjusted(2, 2, -2, -2), highlight);
        }
        painter.restore();
    };
    for (int index = 0; index < count(); ++index) {
        if (index != currentIndex())
            paintTab(index);
    }
    if (currentIndex() >= 0)
        paintTab(currentIndex()); // over its neighbours, as the style draws it larger
}

void WrappingTabBar::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const int index = tabIndexAt(event->position().toPoint());
    if (index >= 0 && isTabEnabled(index))
        setCurrentIndex(index);
}

void WrappingTabBar::mouseMoveEvent(QMouseEvent* event)
{
    // Tabs are not dragged; the pointer only moves the highlight.
    setHovered(tabIndexAt(event->position().toPoint()));
    event->accept();
}

void WrappingTabBar::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

} // namespace kvd
