#include "viewer/HistogramWindow.h"

#include "viewer/HistogramChart.h"

#include <QChartView>
#include <QHBoxLayout>
#include <QScrollArea>

#include <algorithm>

namespace kvd {

namespace {

constexpr int ChartWidth = 420;
constexpr int ChartHeight = 340;
constexpr int MaxChartsAcross = 3;

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
        const QString name = i < static_cast<std::size_t>(columnNames.size()) ? columnNames[static_cast<qsizetype>(i)]
                                                                              : QString();
        auto* view = new QChartView(histogramChart(m_histograms[i], name));
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumSize(ChartWidth, ChartHeight);
        row->addWidget(view);
    }
    auto* scroll = new QScrollArea;
    scroll->setWidget(charts);
    scroll->setWidgetResizable(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    const int across =
        static_cast<int>(std::clamp<std::size_t>(m_histograms.size(), 1, static_cast<std::size_t>(MaxChartsAcross)));
    resize(across * (ChartWidth + 12) + 8, ChartHeight + 40);
}

} // namespace kvd
