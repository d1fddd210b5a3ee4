#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace kvd {

// Put around a modal box: when the scope ends, the keyboard focus goes back to the
// widget that had it when the scope began, and its window is made active again (the
// platform does not always do so). Nothing happens when that widget is gone.
class FocusReturn {
public:
    FocusReturn() : m_widget(QApplication::focusWidget()) {}
    ~FocusReturn()
    {
        if (!m_widget || !m_widget->isVisible())
            return;
        m_widget->activateWindow();
        m_widget->setFocus(Qt::ActiveWindowFocusReason);
    }
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

private:
    QPointer<QWidget> m_widget;
};

} // namespace kvd
