#include "summary/RowSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kvd {
namespace {

// Compares every way of reading the set with the plain list of the rows added.
void expectHolds(const RowSet& set, const std::vector<int>& rows)
{
    ASSERT_EQ(set.size(), rows.size());
    EXPECT_EQ(set.empty(), rows.empty());
    EXPECT_EQ(std::vector<int>(set.begin(), set.end()), rows);
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(set[i], rows[i]) << "index " << i;
    // Every row up to past the last held, and the words beyond.
    const int limit = rows.empty() ? 200 : rows.back() + 200;
    std::size_t next = 0;
    for (int row = -1; row < limit; ++row) {
        const bool held = next < rows.size() && rows[next] == row;
        ASSERT_EQ(set.contains(row), held) << "row " << row;
        next += held ? 1 : 0;
    }
}

TEST(RowSet, findsTheIthRowAcrossWordsAndBlocks)
{
    // Rows at the edges of words (64 rows) and blocks (512), empty blocks between
    // held ones, dense runs and a sparse tail, against the plain list.
    const std::vector<std::vector<int>> cases = {
        {},
        {0},
        {63, 64, 511, 512, 513, 1023, 1024, 5000, 70000},
        {1, 2, 3, 100000},
        {64, 65, 700}, // the first word empty
        {1000},        // the first block empty
    };
    for (const std::vector<int>& rows : cases) {
        SCOPED_TRACE(rows.size());
        RowSet set;
        for (const int row : rows)
            set.add(row);
        expectHolds(set, rows);
    }

    std::vector<int> rows;
    RowSet set;
    set.reserve(200'000);
    std::uint32_t seed = 5;
    for (int row = 0; row < 200'000; ++row) {
        seed = seed * 1103515245u + 12345u;
        // Stretches where every row is held, stretches where none or a few are.
        const std::uint32_t stretch = static_cast<std::uint32_t>(row / 3000) % 4;
        if (stretch == 0 || (stretch == 2 && (seed >> 16) % 7 == 0)) {
            rows.push_back(row);
            set.add(row);
        }
    }
    expectHolds(set, rows);
}

TEST(RowSet, ignoresRowsThatAreNotAboveTheLast)
{
    RowSet set;
    for (const int row : {-1, 5, 5, 3, 70, 64, 70, 71})
        set.add(row);
    expectHolds(set, {5, 70, 71});
}

} // namespace
} // namespace kvd
