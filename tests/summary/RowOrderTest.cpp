#include "summary/RowOrder.h"

#include "TableBuilder.h"
#include "summary/Collation.h"
#include "summary/MeasurementValue.h"

#include <gtest/gtest.h>

#include <QCollator>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace kvd {
namespace {

// Cells a sort meets: numbers in several spellings (some only numbers where "," is
// the decimal separator), equal values spelled differently, texts equal but for
// letter case, accented texts that have no rank key, empty cells.
const std::vector<std::string> CellPool = {
    "1.5", "1.50", "-2", "-0", "0", "1e3", "1000", "12,5", "3.25", "-7.5e-1", "2", "10", "9.99",
    "abc", "ABC", "Abd", "n/a", "", "zeta", "Zeta", "x1", "12a", "-", "1.2.3",
};
const std::vector<std::string> AccentedPool = {"élan", "Élan", "eLan", "ça", "Zürich", "zurich", "ß"};

struct Locale {
    const char* name;
    char decimalSeparator;
};

// The plain reference: measurementValue for numbers, a QCollator ignoring case for
// the rest, std::stable_sort.
struct Reference {
    Reference(const QLocale& locale, char separator) : collator(locale), decimalSeparator(separator)
    {
        collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    std::vector<std::int32_t> sorted(const std::vector<std::string>& cells, std::vector<std::int32_t> rows,
                                     CellOrder order, SortDirection direction) const
    {
        const auto text = [&](std::int32_t row) { return cells[static_cast<std::size_t>(row - 1)]; };
        const bool descending = direction == SortDirection::Descending;
        std::stable_sort(rows.begin(), rows.end(), [&](std::int32_t a, std::int32_t b) {
            double x = 0;
            double y = 0;
            const bool aNumber = order == CellOrder::Numbers && measurementValue(text(a), decimalSeparator, x);
            const bool bNumber = order == CellOrder::Numbers && measurementValue(text(b), decimalSeparator, y);
            if (aNumber != bNumber)
                return aNumber;
            if (aNumber)
                return descending ? y < x : x < y;
            const int byText = collator.compare(QString::fromStdString(text(a)), QString::fromStdString(text(b)));
            return descending ? byText > 0 : byText < 0;
        });
        return rows;
    }

    QCollator collator;
    char decimalSeparator;
};

std::vector<std::string> tableLines(const std::vector<std::string>& cells)
{
    std::vector<std::string> lines = {"Object;Source;Value"};
    for (std::size_t i = 0; i < cells.size(); ++i)
        lines.push_back(std::to_string(i) + ";img;" + cells[i]);
    return lines;
}

TEST(RowOrder, sortsAsStableSortWithThePlainComparison)
{
    std::mt19937 random(23);
    for (const Locale locale : {Locale{"en_US", '.'}, Locale{"fr_FR", ','}, Locale{"C", '.'}}) {
        const QLocale qlocale(QString::fromLatin1(locale.name));
        const Reference reference(qlocale, locale.decimalSeparator);
        const SortRules rules{Collation::forLocale(qlocale), TextEncoding::Utf8, locale.decimalSeparator};
        for (int round = 0; round < 60; ++round) {
            const bool accented = round % 3 == 2; // no rank keys: full collation keys
            std::vector<std::string> cells(1 + random() % 300);
            for (std::string& cell : cells) {
                const bool fromAccented = accented && random() % 4 == 0;
                const auto& pool = fromAccented ? AccentedPool : CellPool;
                cell = pool[random() % pool.size()];
            }
            const DataTable table = test::makeTable(tableLines(cells));
            std::vector<std::int32_t> rows(cells.size());
            std::iota(rows.begin(), rows.end(), 1);
            if (round % 2 == 1) // a filtered subset in a shuffled order
                rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int) { return random() % 3 == 0; }),
                           rows.end());
            std::shuffle(rows.begin(), rows.end(), random);
            for (const CellOrder order : {CellOrder::Numbers, CellOrder::Texts}) {
                for (const SortDirection direction : {SortDirection::Ascending, SortDirection::Descending}) {
                    std::vector<std::int32_t> sorted = rows;
                    sortRows(table, 2, order, direction, rules, sorted);
                    ASSERT_EQ(sorted, reference.sorted(cells, rows, order, direction))
                        << locale.name << " round " << round << " order " << static_cast<int>(order)
                        << " direction " << static_cast<int>(direction);
                }
            }
        }
    }
}

TEST(RowOrder, ordersNumbersByValueAndKeepsFileOrderAmongEqualOnes)
{
    const std::vector<std::string> cells = {"10", "b", "2", "-0", "A", "2.0", "0", "1e1", ""};
    const DataTable table = test::makeTable(tableLines(cells));
    const SortRules rules{Collation::forLocale(QLocale(QStringLiteral("en_US"))), TextEncoding::Utf8, '.'};
    std::vector<std::int32_t> rows = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    sortRows(table, 2, CellOrder::Numbers, SortDirection::Ascending, rules, rows);
    EXPECT_EQ(rows, (std::vector<std::int32_t>{4, 7, 3, 6, 1, 8, 9, 5, 2}));
    sortRows(table, 2, CellOrder::Numbers, SortDirection::Descending, rules, rows);
    // Equal cells keep the order they had in rows, here the ascending one.
    EXPECT_EQ(rows, (std::vector<std::int32_t>{1, 8, 3, 6, 4, 7, 2, 5, 9}));
}

TEST(RowOrder, sortsNothingAndOneRow)
{
    const DataTable table = test::makeTable(tableLines({"x"}));
    const SortRules rules{Collation::forLocale(QLocale::c()), TextEncoding::Utf8, '.'};
    std::vector<std::int32_t> none;
    sortRows(table, 2, CellOrder::Numbers, SortDirection::Ascending, rules, none);
    EXPECT_TRUE(none.empty());
    std::vector<std::int32_t> one = {1};
    sortRows(table, 5, CellOrder::Texts, SortDirection::Descending, rules, one); // past the last column: empty
    EXPECT_EQ(one, std::vector<std::int32_t>{1});
}

} // namespace
} // namespace kvd
