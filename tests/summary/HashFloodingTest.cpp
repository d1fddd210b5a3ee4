#include "summary/DistinctValues.h"
#include "summary/DuplicateRows.h"
#include "summary/RowHashTable.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cstdint>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace kvd {
namespace {

// The hash the tables once used, with no key: FNV-1a 64 over the mapped bytes, then a
// fixed finaliser. Anyone can search for texts it sends to chosen slots.
std::uint64_t unkeyedHash(const std::string& text, const std::uint8_t* map)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text)
        hash = (hash ^ map[static_cast<unsigned char>(c)]) * 0x100000001b3ULL;
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ULL;
    return hash ^ (hash >> 33);
}

// `count` distinct texts of digits and small letters whose unkeyed hash has the top 8
// of its low 32 bits zero: a table that took the slot from those bits, (low 32 bits
// x slots) >> 32, started every one of them in its first 1/256 of slots, one run that
// every lookup walked. About 256 tries a text, as an attacker's search would make.
std::vector<std::string> craftedTexts(int count, const std::uint8_t* map)
{
    std::vector<std::string> texts;
    for (std::uint64_t n = 0; static_cast<int>(texts.size()) < count; ++n) {
        std::string text = "s";
        for (std::uint64_t rest = n; rest > 0; rest /= 36)
            text += "0123456789abcdefghijklmnopqrstuvwxyz"[rest % 36];
        if ((unkeyedHash(text, map) & 0xFF000000u) == 0)
            texts.push_back(text);
    }
    return texts;
}

// Every text, then every text once more: half the rows repeat an earlier one.
std::vector<std::string> twice(const std::vector<std::string>& texts)
{
    std::vector<std::string> column = texts;
    column.insert(column.end(), texts.begin(), texts.end());
    return column;
}

TextOfRow rowsOf(const std::vector<std::string>& column)
{
    return [&column](int row) { return TwoPieceText{column[static_cast<std::size_t>(row)], {}}; };
}

struct Cost {
    std::uint64_t probes = 0;
    std::vector<int> duplicates;
    int values = 0;
};

Cost duplicateCheck(const Collation& collation, const std::vector<std::string>& column)
{
    Cost cost;
    const std::uint64_t before = RowHashTable::probesOnThisThread();
    findDuplicateRows(collation, TextEncoding::Utf8, rowsOf(column), 0, static_cast<int>(column.size()),
                      [&cost](int row) { cost.duplicates.push_back(row); });
    cost.probes = RowHashTable::probesOnThisThread() - before;
    return cost;
}

Cost tallies(const Collation& collation, const std::vector<std::string>& column)
{
    Cost cost;
    const std::uint64_t before = RowHashTable::probesOnThisThread();
    const DistinctValues values(collation, TextEncoding::Utf8, rowsOf(column), 0, static_cast<int>(column.size()));
    cost.probes = RowHashTable::probesOnThisThread() - before;
    cost.values = values.size();
    return cost;
}

// Texts crafted against the unkeyed hash, of the bytes as they are (the tallies) and
// of their ranks (the duplicate check), cost the tables no more slots looked at than
// ordinary texts: a few a lookup, where the unkeyed hash made it thousands.
TEST(HashFlooding, textsCraftedAgainstTheUnkeyedHashCostNoMoreThanOrdinaryOnes)
{
    constexpr int Count = 12'000;
    const Collation collation(QLocale::c());
    ASSERT_TRUE(collation.hasAsciiRanks());
    std::vector<std::uint8_t> identity(256);
    for (std::size_t i = 0; i < identity.size(); ++i)
        identity[i] = static_cast<std::uint8_t>(i);
    std::vector<std::string> ordinary;
    for (int n = 0; n < Count; ++n)
        ordinary.push_back("s" + std::to_string(n));
    const std::vector<std::string> ordinaryColumn = twice(ordinary);
    std::vector<int> secondHalf;
    for (int row = Count; row < 2 * Count; ++row)
        secondHalf.push_back(row);

    const std::vector<std::string> againstBytes = twice(craftedTexts(Count, identity.data()));
    const Cost plainTallies = tallies(collation, ordinaryColumn);
    const Cost craftedTallies = tallies(collation, againstBytes);
    EXPECT_EQ(craftedTallies.values, Count);
    EXPECT_LE(craftedTallies.probes, 2 * plainTallies.probes);
    EXPECT_LE(plainTallies.probes, std::uint64_t{8} * ordinaryColumn.size());

    const std::vector<std::string> againstRanks = twice(craftedTexts(Count, collation.asciiRanks()));
    const Cost plainCheck = duplicateCheck(collation, ordinaryColumn);
    const Cost craftedCheck = duplicateCheck(collation, againstRanks);
    EXPECT_EQ(craftedCheck.duplicates, secondHalf);
    EXPECT_LE(craftedCheck.probes, 2 * plainCheck.probes);
    EXPECT_LE(plainCheck.probes, std::uint64_t{8} * ordinaryColumn.size());
}

// The most a table's lookups look at before it counts as crowded: lookups that walk
// long runs make it crowded; short ones, however many, never do.
TEST(HashFlooding, onlyLongWalksMakeATableCrowded)
{
    RowHashTable spread(40'000);
    std::mt19937_64 random(5);
    for (std::int32_t id = 0; id < 30'000; ++id)
        spread.findOrInsert(random(), id, [](std::int32_t) { return false; });
    EXPECT_FALSE(spread.crowded());

    RowHashTable clashing(40'000);
    int inserted = 0;
    for (std::int32_t id = 0; id < 30'000 && !clashing.crowded(); ++id, ++inserted)
        clashing.findOrInsert(42, id, [](std::int32_t) { return false; });
    EXPECT_TRUE(clashing.crowded());
    // The allowance, then 16 a lookup: n lookups of one run look at n (n + 1) / 2 slots.
    EXPECT_GT(inserted, 50);
    EXPECT_LT(inserted, 120);
    clashing.clear();
    EXPECT_FALSE(clashing.crowded());
}

// The room a full table grows to: at least twice as much, or what the rows met so far
// foretell for all the rows (and an eighth more) when that is more, never more than
// the rows; always more than it had while rows remain, or the next insert would find
// no room.
TEST(RowHashTable, growthRule)
{
    struct Case {
        std::size_t capacity, rowsMet, rowCount, grown;
    };
    for (const Case& c : {Case{1024, 1024, 1'000'000, 1'000'000}, Case{1024, 100'000, 1'000'000, 11'520},
                          Case{1024, 2'000, 3'000, 2'048}, Case{1024, 1'024, 1'500, 1'500},
                          Case{1024, 20'000, 1'000'000, 57'600}, Case{2, 2, 3, 3}, Case{1, 0, 10, 10}}) {
        EXPECT_EQ(RowHashTable::grownCapacity(c.capacity, c.rowsMet, c.rowCount), c.grown)
            << c.capacity << " " << c.rowsMet << " " << c.rowCount;
    }
    std::mt19937 random(9);
    for (int i = 0; i < 10'000; ++i) {
        const std::size_t rowCount = 2 + random() % 5'000'000;
        const std::size_t capacity = 1 + random() % (rowCount - 1);
        const std::size_t rowsMet = capacity + random() % (rowCount - capacity + 1);
        const std::size_t grown = RowHashTable::grownCapacity(capacity, rowsMet, rowCount);
        ASSERT_GE(grown, std::min(rowCount, 2 * capacity)) << capacity << " " << rowsMet << " " << rowCount;
        ASSERT_LE(grown, rowCount);
    }
}

} // namespace
} // namespace kvd
