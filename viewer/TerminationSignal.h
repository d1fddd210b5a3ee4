#pragma once

#include <QObject>

class QSocketNotifier;

namespace kvd {

// Turns SIGTERM and SIGINT into the signal `requested`, delivered by the event loop,
// so that a session logout or a kill closes the main window like Quit does and the
// program ends normally. Where the program has not ended DeadlineMilliseconds after
// the first signal (its thread busy in a load or a search, or in a box), the signal
// ends it the default way, writing nothing. The deadline ends with this object, which
// main() destroys once the event loop has returned. One instance per process.
class TerminationSignal : public QObject {
    Q_OBJECT
public:
    static constexpr long DeadlineMilliseconds = 800;

    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

signals:
    void requested();

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace kvd
