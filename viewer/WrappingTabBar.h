#pragma once

#include <QRect>
#include <QSize>
#include <QTabBar>

#include <vector>

namespace kvd {

// A tab bar for tabs standing along the right-hand edge of their pages that never
// scrolls: when the tabs do not fit in the height the bar is given, they wrap into
// further columns, the first column next to the pages. The tab under the mouse
// pointer is highlighted. The column of the current tab stands next to the pages.
//
// The bar lays out, draws and hit-tests its tabs itself; QTabBar's own one-line layout
// (tabRect, tabAt) is not what is shown. Its width follows the height of the widget
// that holds it (the page control), which lays it out again on every resize.
class WrappingTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit WrappingTabBar(QWidget* parent = nullptr);

    // Where each tab of `sizes` stands when they wrap in `height`: the tabs fill
    // columns in order, each from the top while its tabs fit (at least one per
    // column), every tab of a column as wide as the widest of them. The column that
    // holds tab `current` stands first, next to the pages; the others follow in order.
    // A height of 0 or less puts every tab in one column.
    static std::vector<QRect> wrappedRects(const std::vector<QSize>& sizes, int height, int current);

    // The tabs' places in the bar as drawn now.
    std::vector<QRect> tabRects() const;
    int columnCount() const;
    // The tab drawn at `position` (bar coordinates), -1 for none.
    int tabIndexAt(QPoint position) const;
    // The tab under the mouse pointer, -1 for none.
    int hoveredIndex() const noexcept { return m_hovered; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabLayoutChange() override;

private:
    std::vector<QSize> tabSizes() const;
    // The height the tabs may fill: the holder's height when there is one.
    int availableHeight() const;
    void setHovered(int index);

    int m_hovered = -1;
};

} // namespace kvd
