#include "summary/RowFilter.h"

#include "TableBuilder.h"
#include "summary/CellSearch.h"
#include "summary/Collation.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace kvd {
namespace {

using Comparison = NumberCondition::Comparison;

// The cells of the measurement column and what they are, written out by hand.
const std::map<std::string, std::optional<double>> Numbers = {
    {"1", 1.0}, {"2.5", 2.5}, {"2.50", 2.5}, {"-3", -3.0}, {"10", 10.0}, {"1e1", 10.0},
    {"abc", std::nullopt}, {"", std::nullopt}, {"n/a", std::nullopt}};
// The cells of the text column, and whether they hold "ab" ignoring case.
const std::map<std::string, bool> Texts = {{"Abc", true}, {"xaB", true}, {"zz", false}, {"a-b", false}};

template <class Map>
std::string pick(const Map& map, std::mt19937& random)
{
    auto it = map.begin();
    std::advance(it, static_cast<long>(random() % map.size()));
    return it->first;
}

bool plainCondition(Comparison comparison, std::optional<double> x, double value, double upper)
{
    if (comparison == Comparison::NotANumber)
        return !x;
    if (!x)
        return false;
    switch (comparison) {
    case Comparison::Greater: return *x > value;
    case Comparison::GreaterOrEqual: return *x >= value;
    case Comparison::Less: return *x < value;
    case Comparison::LessOrEqual: return *x <= value;
    case Comparison::Equal: return *x == value;
    case Comparison::Between: return value <= *x && *x <= upper;
    default: return false;
    }
}

TEST(RowFilter, keepsTheRowsEveryPartAcceptsAsPlainPredicatesDo)
{
    std::mt19937 random(31);
    const Collation& collation = Collation::forLocale(QLocale(QStringLiteral("en_US")));
    auto search = std::make_shared<const CellSearch>(QStringLiteral("ab"), collation, TextEncoding::Utf8);
    for (int round = 0; round < 200; ++round) {
        const int objects = static_cast<int>(random() % 60);
        std::vector<std::string> numbers(static_cast<std::size_t>(objects));
        std::vector<std::string> texts(static_cast<std::size_t>(objects));
        std::vector<std::string> lines = {"Object;Source;Value;Text"};
        for (int r = 0; r < objects; ++r) {
            numbers[static_cast<std::size_t>(r)] = pick(Numbers, random);
            texts[static_cast<std::size_t>(r)] = pick(Texts, random);
            lines.push_back("o;s;" + numbers[static_cast<std::size_t>(r)] + ";" + texts[static_cast<std::size_t>(r)]);
        }
        const DataTable table = test::makeTable(lines);

        RowFilter filter;
        std::vector<std::function<bool(int)>> predicates; // of table rows
        const int parts = static_cast<int>(random() % 4);
        for (int p = 0; p < parts; ++p) {
            switch (random() % 3) {
            case 0: {
                std::vector<int> chosen;
                for (int row = 1; row <= objects; ++row)
                    if (random() % 2 == 0)
                        chosen.push_back(row);
                filter.addRows(chosen, "rows");
                predicates.push_back([chosen](int row) { return std::count(chosen.begin(), chosen.end(), row) > 0; });
                break;
            }
            case 1:
                filter.addMatches(3, search, "ab");
                predicates.push_back([&texts](int row) { return Texts.at(texts[static_cast<std::size_t>(row - 1)]); });
                break;
            default: {
                const auto comparison = static_cast<Comparison>(random() % 7);
                const double value = static_cast<double>(static_cast<int>(random() % 14) - 4);
                const double upper = value + static_cast<double>(random() % 8);
                filter.addCondition(NumberCondition{2, comparison, value, upper}, "condition");
                predicates.push_back([&numbers, comparison, value, upper](int row) {
                    return plainCondition(comparison, Numbers.at(numbers[static_cast<std::size_t>(row - 1)]), value, upper);
                });
            }
            }
        }
        std::vector<std::int32_t> expected;
        for (int row = 1; row <= objects; ++row) {
            if (std::all_of(predicates.begin(), predicates.end(), [row](const auto& keep) { return keep(row); }))
                expected.push_back(row);
        }
        ASSERT_EQ(filter.shownRows(table, '.'), expected) << "round " << round;
        ASSERT_EQ(filter.descriptions().size(), static_cast<std::size_t>(parts));
    }
}

TEST(RowFilter, anyColumnMatchesWhenNoneIsChosen)
{
    const DataTable table = test::makeTable({"Object;Source;Value", "Abc;s;1", "x;s;2", "y;xab;3"});
    RowFilter filter;
    filter.addMatches(-1, std::make_shared<const CellSearch>(QStringLiteral("AB"), Collation::forLocale(QLocale::c()),
                                                             TextEncoding::Utf8),
                      "ab");
    EXPECT_EQ(filter.shownRows(table, '.'), (std::vector<std::int32_t>{1, 3}));
    filter.clear();
    EXPECT_EQ(filter.shownRows(table, '.'), (std::vector<std::int32_t>{1, 2, 3}));
}

} // namespace
} // namespace kvd
