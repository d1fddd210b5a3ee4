#include "summary/Histogram.h"

#include "TableBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace kvd {
namespace {

// Counts each bin by comparing every value with the bin's edges.
std::vector<std::int64_t> referenceCounts(const std::vector<double>& values, const Histogram& histogram)
{
    const std::size_t bins = histogram.counts.size();
    std::vector<std::int64_t> counts(bins, 0);
    for (const double value : values) {
        for (std::size_t i = 0; i < bins; ++i) {
            const double left = histogram.low + histogram.binWidth * static_cast<double>(i);
            const double right = histogram.low + histogram.binWidth * static_cast<double>(i + 1);
            if ((value >= left && value < right) || (i + 1 == bins && value >= left)) {
                ++counts[i];
                break;
            }
        }
    }
    return counts;
}

TEST(Histogram, binsAgreeWithAPlainEdgeComparisonForBothRules)
{
    std::mt19937 random(3);
    std::lognormal_distribution<double> skewed(1, 1);
    for (const BinRule rule : {BinRule::FreedmanDiaconis, BinRule::Sturges}) {
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<double> values(2 + random() % 3000);
            for (double& value : values)
                value = trial % 2 ? skewed(random) : std::round(skewed(random) * 4) / 4; // ties on edges too
            const std::vector<double> original = values;
            Histogram histogram;
            binValues(values, rule, histogram);
            ASSERT_GE(histogram.counts.size(), 1u);
            ASSERT_LE(histogram.counts.size(), static_cast<std::size_t>(Histogram::MaxBins));
            EXPECT_EQ(histogram.counts, referenceCounts(original, histogram));
            EXPECT_EQ(histogram.low, histogram.minimum);
            EXPECT_NEAR(histogram.high(), histogram.maximum, 1e-9 * histogram.maximum);
        }
    }
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
