#include "viewer/PageControl.h"

#include "viewer/WrappingTabBar.h"

namespace kvd {

PageControl::PageControl(QWidget* parent)
    : QTabWidget(parent)
{
    setTabBar(new WrappingTabBar);
    setTabPosition(QTabWidget::East);
}

WrappingTabBar* PageControl::wrappingTabBar() const
{
    return static_cast<WrappingTabBar*>(tabBar());
}

} // namespace kvd
