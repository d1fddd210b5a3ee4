#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QWidget;

namespace kvd {

// Thrown out of a load that the user cancelled; not an error, no box is shown for it.
struct LoadCancelled {};

// Keeps the program alive while a file loads on the user-interface thread. The load
// calls pump() now and then: the windows repaint and the program's own events run, but
// user input is dropped, so that nothing else starts before the load has ended and its
// boxes come in their order. Escape, or closing the window being filled, cancels the
// load: the next pump() or throwIfCancelled() throws LoadCancelled.
//
// Installed on the application for its lifetime; one at a time.
class LoadGate : public QObject {
    Q_OBJECT
public:
    // loadingWindow: the document window being filled.
    explicit LoadGate(QWidget& loadingWindow);
    ~LoadGate() override;

    // Handles the pending events, the first time and then at most once per
    // PumpInterval milliseconds; throws LoadCancelled once the load is cancelled.
    void pump();
    // The same at once, whenever it was last done (after a box has closed).
    void pumpNow();
    void throwIfCancelled() const;
    void cancel() noexcept { m_cancelled = true; }
    bool isCancelled() const noexcept { return m_cancelled; }

    static constexpr int PumpInterval = 25;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isCloseButtonPress(QObject* watched, QEvent* event) const;

    QPointer<QWidget> m_window;
    QElapsedTimer m_sincePump;
    bool m_pumping = false;
    bool m_cancelled = false;
};

} // namespace kvd
