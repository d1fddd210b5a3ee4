#pragma once

#include <QObject>

class QSocketNotifier;

namespace kvd {

// Turns SIGTERM and SIGINT into the signal `requested`, delivered by the event loop,
// so that a session logout or a kill closes the main window like Quit does and the
// program ends normally. One instance per process.
class TerminationSignal : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

signals:
    void requested();

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace kvd
