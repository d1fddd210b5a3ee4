#include "viewer/HistogramWindow.h"

#include "viewer/HistogramChart.h"

#include <QChartView>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>

namespace kvd {

namespace {

constexpr int ChartWidth = 420;
constexpr int ChartHeight = 340;
constexpr int ChartSpacing = 12;
constexpr int MaxChartsAcross = 3;

// The chart of a histogram, or a line saying its column holds no numbers.
QWidget* histogramView(const Histogram& histogram, const QString& name)
{
    QWidget* view = nullptr;
    if (QChart* chart = histogramChart(histogram, name)) {
        auto* chartView = new QChartView(chart);
        chartView->setRenderHint(QPainter::Antialiasing);
        view = chartView;
    } else {
        auto* note = new QLabel(noNumbersText(name));
        note->setAlignment(Qt::AlignCenter);
        note->setWordWrap(true);
        view = note;
    }
    view->setMinimumSize(ChartWidth, ChartHeight);
    return view;
}

} // namespace

HistogramWindow::HistogramWindow(const QString& documentCaption, std::vector<Histogram> histograms,
                                 const QStringList& columnNames, QWidget* parent)
    : QWidget(parent, Qt::Window), m_histograms(std::move(histograms))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Histograms - %1").arg(documentCaption));

    auto* charts = new QWidget;
    auto* row = new QHBoxLayout(charts);
    row->setContentsMargins(0, 0, 0, 0);
    for (std::size_t i = 0; i < m_histograms.size(); ++i) {
        const auto index = static_cast<qsizetype>(i);
        row->addWidget(histogramView(m_histograms[i], index < columnNames.size() ? columnNames[index] : QString()));
    }
    auto* scroll = new QScrollArea;
    scroll->setWidget(charts);
    scroll->setWidgetResizable(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    fitToScreen();
}

void HistogramWindow::keyPressEvent(QKeyEvent* event)
{
    // The charts leave these keys to their window.
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Close)
        || event->keyCombination() == QKeyCombination(Qt::CTRL | Qt::Key_W)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HistogramWindow::fitToScreen()
{
    const int across =
        static_cast<int>(std::clamp<std::size_t>(m_histograms.size(), 1, static_cast<std::size_t>(MaxChartsAcross)));
    QSize wanted(across * (ChartWidth + ChartSpacing) + 8, ChartHeight + 40);
    const QScreen* shownOn = parentWidget() ? parentWidget()->screen() : screen();
    if (!shownOn)
        return;
    // The frame the window manager adds is not known before the window is shown: leave
    // room for a usual one.
    const QRect available = shownOn->availableGeometry();
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QSize room = available.size() - QSize(FrameAllowance, FrameAllowance + titleBar);
    resize(wanted.boundedTo(room));
    // Centred over the available area: wholly inside it.
    move(available.center() - QPoint(width() / 2, height() / 2));
}

} // namespace kvd
