#pragma once

#include <QString>

#include <cstdint>

class QProgressBar;
class QStatusBar;

namespace kvd {

// Shows how far the reading of a file has got in the status bar while it lasts (a
// scope). Each step repaints the progress bar at once, at most once per thousandth:
// the load handles events only now and then.
class LoadIndicator {
public:
    LoadIndicator(QStatusBar& statusBar, QProgressBar& progressBar, const QString& fileCaption);
    ~LoadIndicator();
    LoadIndicator(const LoadIndicator&) = delete;
    LoadIndicator& operator=(const LoadIndicator&) = delete;

    void progress(std::uint64_t bytesDone, std::uint64_t bytesTotal);
    // Takes the message and the bar away while a box is up, and puts them back, where
    // they were, when it has closed.
    void suspend();
    void resume();

private:
    void showMessage();

    QStatusBar& m_statusBar;
    QProgressBar& m_progressBar;
    QString m_message;
    int m_shown = -1;
};

} // namespace kvd
