#include "viewer/HistogramChart.h"

#include "datafile/NumberText.h"

#include <QAreaSeries>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kvd {

namespace {

const QColor MeanColour(200, 0, 0);
const QColor StandardErrorColour(230, 120, 0);

QString pointText(double value)
{
    return QString::fromStdString(formatFixed(value, '.'));
}

// A vertical line at x from 0 to top, added with both axes.
QLineSeries* verticalLine(QChart& chart, double x, double top, const QPen& pen, const QString& name,
                          QValueAxis& xAxis, QValueAxis& yAxis)
{
    auto* line = new QLineSeries;
    line->append(x, 0);
    line->append(x, top);
    line->setPen(pen);
    line->setName(name);
    chart.addSeries(line);
    line->attachAxis(&xAxis);
    line->attachAxis(&yAxis);
    return line;
}

// Gives the legend entries of `series` the shape `shape` drawn with `pen`; hides them
// when `shape` is none.
void setLegendMark(QChart& chart, QAbstractSeries* series, std::optional<QLegend::MarkerShape> shape,
                   const QPen& pen)
{
    for (QLegendMarker* marker : chart.legend()->markers(series)) {
        marker->setVisible(shape.has_value());
        if (!shape)
            continue;
        marker->setShape(*shape);
        marker->setPen(pen);
        marker->setBrush(pen.color());
    }
}

// A printf format for the value axis: enough decimals to tell its ticks apart, or three
// significant digits for very small or very large values.
QString valueLabelFormat(double low, double high)
{
    const double largest = std::max(std::fabs(low), std::fabs(high));
    const double step = (high - low) / 4;
    if (largest >= 1e7 || largest < 1e-3 || !(step > 0))
        return QStringLiteral("%.3g");
    const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(step))), 0, 6);
    return QStringLiteral("%.") + QString::number(decimals) + QStringLiteral("f");
}

// The bars: one outline down to 0 at every bin edge, filled.
QAreaSeries* barSeries(const Histogram& histogram)
{
    auto* outline = new QLineSeries;
    for (std::size_t i = 0; i < histogram.counts.size(); ++i) {
        const double left = histogram.low + histogram.binWidth * static_cast<double>(i);
        const double right = histogram.low + histogram.binWidth * static_cast<double>(i + 1);
        const auto count = static_cast<double>(histogram.counts[i]);
        outline->append(left, 0);
        outline->append(left, count);
        outline->append(right, count);
        outline->append(right, 0);
    }
    auto* bars = new QAreaSeries(outline);
    outline->setParent(bars); // an area series does not own its line
    bars->setName(QStringLiteral("Count"));
    bars->setBrush(QColor(120, 160, 210));
    bars->setPen(QPen(QColor(40, 70, 120), 1));
    return bars;
}

// The mean as a solid line and the mean plus and minus its standard error as dashed
// lines of another colour, one legend entry each, each drawn as its own line.
void addMeanLines(QChart& chart, const Histogram& histogram, double top, QValueAxis& xAxis, QValueAxis& yAxis)
{
    const QPen solid(MeanColour, 2);
    QLineSeries* mean = verticalLine(chart, histogram.mean, top, solid,
                                     QStringLiteral("Mean %1").arg(pointText(histogram.mean)), xAxis, yAxis);
    setLegendMark(chart, mean, QLegend::MarkerShapeFromSeries, solid);
    if (!std::isfinite(histogram.standardError))
        return;
    const QPen dashed(StandardErrorColour, 2, Qt::DashLine);
    const QString name = QStringLiteral("\u00b1 Std_Err %1").arg(pointText(histogram.standardError));
    QLineSeries* lower = verticalLine(chart, histogram.mean - histogram.standardError, top, dashed, name, xAxis, yAxis);
    QLineSeries* upper = verticalLine(chart, histogram.mean + histogram.standardError, top, dashed, name, xAxis, yAxis);
    setLegendMark(chart, lower, QLegend::MarkerShapeFromSeries, dashed);
    setLegendMark(chart, upper, std::nullopt, dashed);
}

} // namespace

QString histogramNote(const Histogram& histogram)
{
    if (histogram.counts.empty())
        return QStringLiteral("No numeric value in this column");
    QString note = QStringLiteral("%1 values, %2 bins (%3)")
                       .arg(histogram.valueCount)
                       .arg(histogram.counts.size())
                       .arg(histogram.rule == BinRule::FreedmanDiaconis ? QStringLiteral("Freedman-Diaconis")
                                                                        : QStringLiteral("Sturges"));
    if (histogram.skippedCount > 0)
        note += QStringLiteral("; %1 cells that are not numbers left out").arg(histogram.skippedCount);
    return note;
}

QString noNumbersText(const QString& columnName)
{
    return QStringLiteral("%1 holds no numbers.").arg(columnName);
}

QChart* histogramChart(const Histogram& histogram, const QString& columnName)
{
    if (histogram.counts.empty())
        return nullptr;
    auto* chart = new QChart;
    chart->setLocalizeNumbers(false); // "." as decimal separator, whatever the locale
    chart->setTitle(QStringLiteral("<b>%1</b><br><small>%2</small>")
                        .arg(columnName.toHtmlEscaped(), histogramNote(histogram).toHtmlEscaped()));
    chart->legend()->setAlignment(Qt::AlignBottom);

    auto* xAxis = new QValueAxis;
    xAxis->setTitleText(columnName);
    xAxis->setRange(histogram.low, histogram.high());
    xAxis->setLabelFormat(valueLabelFormat(histogram.low, histogram.high()));
    auto* yAxis = new QValueAxis;
    yAxis->setTitleText(QStringLiteral("Count"));
    yAxis->setLabelFormat(QStringLiteral("%.0f"));
    const std::int64_t highest = *std::max_element(histogram.counts.cbegin(), histogram.counts.cend());
    yAxis->setRange(0, static_cast<double>(highest) * 1.08 + 1);
    yAxis->applyNiceNumbers();
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);

    QAreaSeries* bars = barSeries(histogram);
    chart->addSeries(bars);
    bars->attachAxis(xAxis);
    bars->attachAxis(yAxis);
    setLegendMark(*chart, bars, QLegend::MarkerShapeRectangle, bars->pen());
    for (QLegendMarker* marker : chart->legend()->markers(bars))
        marker->setBrush(bars->brush());
    addMeanLines(*chart, histogram, yAxis->max(), *xAxis, *yAxis);
    return chart;
}

} // namespace kvd
