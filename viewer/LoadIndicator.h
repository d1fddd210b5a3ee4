#pragma once

#include <cstdint>

class QProgressBar;
class QStatusBar;
class QString;

namespace kvd {

// Shows how far the reading of a file has got in the status bar while it lasts (a
// scope). The load runs on the user-interface thread without handling events, so
// each step repaints the progress bar alone, at most once per thousandth.
class LoadIndicator {
public:
    LoadIndicator(QStatusBar& statusBar, QProgressBar& progressBar, const QString& fileCaption);
    ~LoadIndicator();
    LoadIndicator(const LoadIndicator&) = delete;
    LoadIndicator& operator=(const LoadIndicator&) = delete;

    void progress(std::uint64_t bytesDone, std::uint64_t bytesTotal);

private:
    QStatusBar& m_statusBar;
    QProgressBar& m_progressBar;
    int m_shown = -1;
};

} // namespace kvd
