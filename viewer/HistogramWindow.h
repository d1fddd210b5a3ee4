#pragma once

#include "summary/Histogram.h"

#include <QWidget>

#include <vector>

namespace kvd {

// A window of histograms side by side, one chart per measurement, titled after the
// document. It holds the histograms it shows (computed from the loaded table), so it
// needs nothing of the document once built. A column without numbers gets a line that
// says so in place of its chart. The window fits the available area of its screen (it
// scrolls beyond), and Escape or Ctrl+W closes it.
class HistogramWindow : public QWidget {
    Q_OBJECT
public:
    // columnNames: the decoded name of each histogram's column, in the same order.
    HistogramWindow(const QString& documentCaption, std::vector<Histogram> histograms,
                    const QStringList& columnNames, QWidget* parent = nullptr);

    const std::vector<Histogram>& histograms() const noexcept { return m_histograms; }

    // Room kept free around the window for the frame a window manager adds.
    static constexpr int FrameAllowance = 16;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitToScreen();

    std::vector<Histogram> m_histograms;
};

} // namespace kvd
