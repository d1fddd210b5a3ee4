#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvd {

class DataTable;

// How the number of bins is chosen for n values between min and max.
enum class BinRule {
    // Bins of width 2 IQR / cube root of n; Sturges where the interquartile range is 0.
    FreedmanDiaconis,
    // ceil(log2 n) + 1 bins.
    Sturges,
};

// The distribution of one measurement column: equal bins from the smallest to the
// largest value, each counting the values v with low + i*width <= v < low + (i+1)*width
// (the last bin also holds the largest value), with the mean and its standard error.
struct Histogram {
    static constexpr int MaxBins = 200;

    int column = -1;
    std::string columnName;     // the file's bytes
    BinRule rule = BinRule::Sturges; // the rule that chose the bins
    double low = 0;             // the left edge of the first bin
    double binWidth = 0;
    std::vector<std::int64_t> counts; // one per bin; empty without numeric values
    std::int64_t valueCount = 0;      // cells read as numbers
    std::int64_t skippedCount = 0;    // cells that are not numbers, left out
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
    double standardError = 0;   // NaN below two values

    double high() const noexcept { return low + binWidth * static_cast<double>(counts.size()); }
};

// The bins for `values` (any order; reordered) by `rule`, at most Histogram::MaxBins.
// Fills rule, low, binWidth, counts, valueCount, minimum, maximum, mean and
// standardError; a single distinct value gets one bin of width 1 centred on it.
void binValues(std::vector<double>& values, BinRule rule, Histogram& histogram);

// The histogram of a measurement column of the loaded table, its cells read by the
// statistics' number rules (`decimalSeparator` is the locale's); cells that are not
// numbers are counted in skippedCount. The file is not read again.
// `rows`, when given, are the object rows taken (those a view shows), else all.
Histogram buildHistogram(const DataTable& table, int column, char decimalSeparator,
                         BinRule rule = BinRule::FreedmanDiaconis, const std::vector<std::int32_t>* rows = nullptr);

} // namespace kvd
