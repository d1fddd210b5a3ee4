#include "viewer/LoadGate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionTitleBar>

namespace kvd {

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

} // namespace

LoadGate::LoadGate(QWidget& loadingWindow)
    : m_window(&loadingWindow)
{
    qApp->installEventFilter(this);
}

LoadGate::~LoadGate()
{
    qApp->removeEventFilter(this);
}

void LoadGate::pump()
{
    throwIfCancelled();
    if (m_sincePump.isValid() && m_sincePump.elapsed() < PumpInterval)
        return;
    pumpNow();
}

void LoadGate::pumpNow()
{
    m_pumping = true;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    m_pumping = false;
    m_sincePump.restart();
    throwIfCancelled();
}

void LoadGate::throwIfCancelled() const
{
    if (m_cancelled)
        throw LoadCancelled{};
}

bool LoadGate::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_pumping)
        return false;
    if (event->type() == QEvent::Close && watched == m_window) {
        // The window stays until the load has unwound; the loader then closes it.
        cancel();
        event->ignore();
        return true;
    }
    if (!isUserInput(event->type()))
        return false;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancel();
        return true;
    }
    return !isCloseButtonPress(watched, event);
}

bool LoadGate::isCloseButtonPress(QObject* watched, QEvent* event) const
{
    // The close button of the loading window's title bar, or of the menu bar's buttons
    // of a maximised window: the press and its release go through.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return false;
    if (watched->inherits("QMdi::ControllerWidget"))
        return true;
    auto* window = qobject_cast<QMdiSubWindow*>(m_window.data());
    if (!window || watched != window)
        return false;
    QStyleOptionTitleBar option;
    option.initFrom(window);
    const int border = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    const int titleBarHeight = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, window);
    option.rect = QRect(border, border, window->width() - 2 * border, titleBarHeight);
    option.subControls = QStyle::SC_All;
    option.titleBarFlags = window->windowFlags();
    option.titleBarState = static_cast<int>(window->windowState());
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    return window->style()->hitTestComplexControl(QStyle::CC_TitleBar, &option, at, window)
           == QStyle::SC_TitleBarCloseButton;
}

} // namespace kvd
