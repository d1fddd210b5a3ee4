#include "summary/Histogram.h"

#include "TableBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace kvd {
namespace {

// The bins worked out plainly from the values alone: quantiles from a sorted copy,
// the bin count from the rule, and each value's bin by comparing it with the edges
// min + i * (max - min) / bins.
struct ReferenceBins {
    double low = 0;
    double binWidth = 0;
    std::vector<std::int64_t> counts;
};

ReferenceBins referenceBins(std::vector<double> values, BinRule rule)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const auto quantile = [&](double p) {
        const double position = static_cast<double>(n - 1) * p;
        const auto below = static_cast<std::size_t>(position);
        const double above = below + 1 < n ? values[below + 1] : values[below];
        return values[below] + (position - static_cast<double>(below)) * (above - values[below]);
    };
    const double range = values.back() - values.front();
    const int sturges = static_cast<int>(std::ceil(std::log2(static_cast<double>(n)))) + 1;
    int bins = std::min(sturges, Histogram::MaxBins);
    const double fdWidth = 2 * (quantile(0.75) - quantile(0.25)) / std::cbrt(static_cast<double>(n));
    if (rule == BinRule::FreedmanDiaconis && fdWidth > 0)
        bins = std::max(1, static_cast<int>(std::min(200.0, std::ceil(range / fdWidth))));
    ReferenceBins reference{values.front(), range / bins, std::vector<std::int64_t>(static_cast<std::size_t>(bins), 0)};
    for (const double value : values) {
        for (int i = bins - 1; i >= 0; --i) {
            if (i == 0 || value >= reference.low + reference.binWidth * i) {
                ++reference.counts[static_cast<std::size_t>(i)];
                break;
            }
        }
    }
    return reference;
}

TEST(Histogram, binsAgreeWithAPlainReferenceForBothRules)
{
    std::mt19937 random(3);
    std::lognormal_distribution<double> skewed(1, 1);
    for (const BinRule rule : {BinRule::FreedmanDiaconis, BinRule::Sturges}) {
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<double> values(2 + random() % 3000);
            for (double& value : values)
                value = trial % 2 ? skewed(random) : std::round(skewed(random) * 4) / 4; // ties on edges too
            const ReferenceBins expected = referenceBins(values, rule);
            Histogram histogram;
            binValues(values, rule, histogram);
            EXPECT_EQ(histogram.low, expected.low);
            EXPECT_EQ(histogram.binWidth, expected.binWidth);
            EXPECT_EQ(histogram.counts, expected.counts);
        }
    }
}

// Values on the edges themselves, and the largest value, which belongs to the last bin.
TEST(Histogram, aValueOnAnEdgeOpensTheBinToItsRight)
{
    std::vector<double> values = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    Histogram histogram;
    binValues(values, BinRule::Sturges, histogram); // 5 bins of width 1.6
    ASSERT_EQ(histogram.counts.size(), 5u);
    EXPECT_EQ(histogram.counts, (std::vector<std::int64_t>{2, 2, 1, 2, 2}));
    values = {0, 0.25, 0.5, 0.75, 1};
    binValues(values, BinRule::Sturges, histogram); // 4 bins of width 0.25: every value on an edge
    EXPECT_EQ(histogram.counts, (std::vector<std::int64_t>{1, 1, 1, 2}));
}

TEST(Histogram, binCountsFollowTheRules)
{
    std::vector<double> hundred;
    for (int i = 1; i <= 100; ++i)
        hundred.push_back(i);
    Histogram histogram;
    std::vector<double> values = hundred;
    binValues(values, BinRule::FreedmanDiaconis, histogram);
    // IQR 49.5: width 2 * 49.5 / cbrt(100) = 21.33 over a range of 99.
    EXPECT_EQ(histogram.counts.size(), 5u);
    values = hundred;
    binValues(values, BinRule::Sturges, histogram);
    EXPECT_EQ(histogram.counts.size(), 8u); // ceil(log2 100) + 1

    // Most values equal: no interquartile range, so Sturges decides.
    values = {5, 5, 5, 5, 5, 5, 5, 1, 9};
    binValues(values, BinRule::FreedmanDiaconis, histogram);
    EXPECT_EQ(histogram.rule, BinRule::Sturges);
    EXPECT_EQ(histogram.counts.size(), 5u);

    values = {2.5, 2.5};
    binValues(values, BinRule::FreedmanDiaconis, histogram);
    EXPECT_EQ(histogram.counts, (std::vector<std::int64_t>{2}));
    EXPECT_EQ(histogram.low, 2.0);
    EXPECT_EQ(histogram.standardError, 0.0);
}

TEST(Histogram, readsTheLoadedColumnByTheStatisticsNumberRules)
{
    const DataTable table = test::makeTable({"Object;Source;Area", "a;s;1", "b;s;2.0", "c;s;text", "d;s;", "e;s;4"});
    for (const char separator : {'.', ','}) {
        const Histogram histogram = buildHistogram(table, 2, separator);
        EXPECT_EQ(histogram.columnName, "Area");
        EXPECT_EQ(histogram.valueCount, 3);
        EXPECT_EQ(histogram.skippedCount, 2);
        EXPECT_NEAR(histogram.mean, 7.0 / 3, 1e-12);
        EXPECT_NEAR(histogram.standardError, 0.8819171, 1e-6);
    }
    const Histogram none = buildHistogram(table, 1, '.');
    EXPECT_TRUE(none.counts.empty());
    EXPECT_EQ(none.skippedCount, 5);
}

} // namespace
} // namespace kvd
