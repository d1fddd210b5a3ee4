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
    : m_statusBar(statusBar), m_progressBar(progressBar)
{
    m_progressBar.setRange(0, Steps);
    m_progressBar.setValue(0);
    m_progressBar.show();
    m_statusBar.showMessage(QCoreApplication::translate("LoadIndicator", "Reading %1").arg(fileCaption));
    // Lay out and draw the status bar now: no event is handled until the load ends.
    QCoreApplication::sendPostedEvents(&m_statusBar, QEvent::LayoutRequest);
    m_statusBar.repaint();
}

LoadIndicator::~LoadIndicator()
{
    m_progressBar.hide();
    m_statusBar.clearMessage();
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
