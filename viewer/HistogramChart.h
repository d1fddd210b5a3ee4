#pragma once

#include "summary/Histogram.h"

#include <QString>

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace kvd {

// A chart of one histogram: the bins as bars over a value axis titled with the column
// name, the counts on an axis titled "Count", the mean as a line and the mean plus and
// minus its standard error as dashed lines. Numbers are written with "." as decimal
// separator. A histogram without values gives no chart (nullptr): noNumbersText then
// says why. The caller owns the chart.
QChart* histogramChart(const Histogram& histogram, const QString& columnName);

// What stands in place of the chart of a column that holds no numbers.
QString noNumbersText(const QString& columnName);

// The chart's note under its title: values shown, cells left out, the rule of the bins.
QString histogramNote(const Histogram& histogram);

} // namespace kvd
