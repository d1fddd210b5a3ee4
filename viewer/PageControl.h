#pragma once

#include <QTabWidget>

namespace kvd {

class WrappingTabBar;

// Tabbed pages with their tabs along the right-hand edge, wrapping into further
// columns when the pages are too low for them all (WrappingTabBar).
class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent = nullptr);

    WrappingTabBar* wrappingTabBar() const;
};

} // namespace kvd
