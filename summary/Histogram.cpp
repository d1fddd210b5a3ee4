#include "summary/Histogram.h"

#include "datafile/DataTable.h"
#include "summary/MeasurementValue.h"

#include <algorithm>
#include <cmath>

namespace kvd {

namespace {

// The quantile p of values (type 7: linear between the order statistics around
// (n - 1) p). Reorders values.
double quantile(std::vector<double>& values, double p)
{
    const double position = static_cast<double>(values.size() - 1) * p;
    const auto below = static_cast<std::size_t>(std::floor(position));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(below), values.end());
    const double lower = values[below];
    if (below + 1 >= values.size())
        return lower;
    const double upper = *std::min_element(values.begin() + static_cast<std::ptrdiff_t>(below) + 1, values.end());
    return lower + (position - static_cast<double>(below)) * (upper - lower);
}

int sturgesBins(std::size_t count)
{
    return static_cast<int>(std::ceil(std::log2(static_cast<double>(count)))) + 1;
}

} // namespace

void binValues(std::vector<double>& values, BinRule rule, Histogram& histogram)
{
    histogram.counts.clear();
    histogram.valueCount = static_cast<std::int64_t>(values.size());
    histogram.standardError = NAN;
    histogram.rule = rule;
    if (values.empty())
        return;

    const auto [smallest, largest] = std::minmax_element(values.begin(), values.end());
    histogram.minimum = *smallest;
    histogram.maximum = *largest;
    double sum = 0;
    for (const double value : values)
        sum += value;
    const double count = static_cast<double>(values.size());
    histogram.mean = sum / count;
    if (values.size() > 1) {
        double squares = 0;
        for (const double value : values)
            squares += (value - histogram.mean) * (value - histogram.mean);
        histogram.standardError = std::sqrt(squares / (count - 1)) / std::sqrt(count);
    }

    const double range = histogram.maximum - histogram.minimum;
    if (!(range > 0) || !std::isfinite(range)) {
        histogram.low = histogram.minimum - 0.5;
        histogram.binWidth = 1;
        histogram.counts.assign(1, histogram.valueCount);
        return;
    }
    int bins = 0;
    if (rule == BinRule::FreedmanDiaconis) {
        const double interquartile = quantile(values, 0.75) - quantile(values, 0.25);
        const double width = 2 * interquartile / std::cbrt(count);
        if (width > 0)
            bins = static_cast<int>(std::min<double>(Histogram::MaxBins, std::ceil(range / width)));
        else
            histogram.rule = BinRule::Sturges;
    }
    if (bins < 1)
        bins = sturgesBins(values.size());
    bins = std::clamp(bins, 1, Histogram::MaxBins);

    histogram.low = histogram.minimum;
    histogram.binWidth = range / bins;
    histogram.counts.assign(static_cast<std::size_t>(bins), 0);
    const auto edge = [&](std::int64_t bin) { return histogram.low + histogram.binWidth * static_cast<double>(bin); };
    for (const double value : values) {
        auto bin = static_cast<std::int64_t>((value - histogram.low) / histogram.binWidth);
        bin = std::clamp<std::int64_t>(bin, 0, bins - 1);
        // The division may round across an edge: the edges as drawn decide.
        if (bin > 0 && value < edge(bin))
            --bin;
        else if (bin + 1 < bins && value >= edge(bin + 1))
            ++bin;
        ++histogram.counts[static_cast<std::size_t>(bin)];
    }
}

Histogram buildHistogram(const DataTable& table, int column, char decimalSeparator, BinRule rule,
                         const std::vector<std::int32_t>* rows)
{
    Histogram histogram;
    histogram.column = column;
    histogram.columnName = std::string(table.cell(0, column));
    std::vector<double> values;
    const std::size_t count = rows ? rows->size() : static_cast<std::size_t>(std::max(0, table.objectCount()));
    values.reserve(count);
    std::string buffer;
    for (std::size_t i = 0; i < count; ++i) {
        const int row = rows ? (*rows)[i] : static_cast<int>(i) + 1;
        double value = 0;
        if (measurementValue(table.cell(row, column), decimalSeparator, value, buffer))
            values.push_back(value);
        else
            ++histogram.skippedCount;
    }
    binValues(values, rule, histogram);
    return histogram;
}

} // namespace kvd
