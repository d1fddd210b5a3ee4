#include "viewer/LoadIndicator.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

namespace kvd {

namespace {
constexpr int Steps = 1000;
} // namespace

LoadIndicator::LoadIndicator(QStatusBar& statusBar, QProgressBar& progressBar, const QString& fileCaption)
    : m_statusBar(statusBar), m_progressBar(progressBar),
      m_message(QCoreApplication::translate("LoadIndicator", "Reading %1").arg(fileCaption))
{
    m_progressBar.setRange(0, Steps);
    m_progressBar.setValue(0);
    showMessage();
}

LoadIndicator::~LoadIndicator()
{
    suspend();
}

void LoadIndicator::showMessage()
{
    m_progressBar.show();
    m_statusBar.showMessage(m_message);
    // Lay out and draw the status bar now, before the load goes on.
    QCoreApplication::sendPostedEvents(&m_statusBar, QEvent::LayoutRequest);
    m_statusBar.repaint();
}

void LoadIndicator::suspend()
{
    m_progressBar.hide();
    m_statusBar.clearMessage();
}

void LoadIndicator::resume()
{
    showMessage();
}

void LoadIndicator::progress(std::uint64_t bytesDone, std::uint64_t bytesTotal)
{
    if (bytesTotal == 0)
        return;
    const int step = static_cast<int>(std::min<std::uint64_t>(bytesDone, bytesTotal) * Steps / bytesTotal);
    if (step == m_shown)
        return;
    m_shown = step;
    m_progressBar.setValue(step);
    m_progressBar.repaint();
}

} // namespace kvd
