#include "summary/RowOrder.h"

#include "datafile/DataTable.h"
#include "summary/Collation.h"
#include "summary/MeasurementValue.h"
#include "summary/TwoPieceText.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <string_view>

namespace kvd {

namespace {

// Twelve bytes a row: the first eight bytes of the row's sort key, beside the row's
// position in the rows being sorted.
struct __attribute__((packed)) SortItem {
    std::uint64_t lead;
    std::int32_t position;
};

// The bits of a double as an unsigned word that orders as the values do (-0 and 0
// alike).
std::uint64_t orderedBits(double value) noexcept
{
    const auto bits = std::bit_cast<std::uint64_t>(value == 0.0 ? 0.0 : value);
    constexpr std::uint64_t Sign = std::uint64_t(1) << 63;
    return (bits & Sign) != 0 ? ~bits : bits | Sign;
}

// Bytes [0, 8) of key as a big-endian word, zeros past its end: words order as the
// keys do, or are equal.
std::uint64_t leadingWord(std::string_view key) noexcept
{
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < 8; ++i)
        word = (word << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return word;
}

// The sort keys of the text cells of one sort: rank keys when every text has one,
// else full collation keys.
class TextKeys {
public:
    TextKeys(const SortRules& rules, bool ranked) : m_rules(rules), m_ranked(ranked) {}

    std::string_view key(std::string_view text, std::string& scratch) const
    {
        scratch.clear();
        if (m_ranked)
            m_rules.collation.appendRankKey(TwoPieceText{text, {}}, scratch);
        else
            m_rules.collation.appendKey(TwoPieceText{text, {}}, m_rules.encoding, scratch);
        return scratch;
    }

private:
    const SortRules& m_rules;
    bool m_ranked;
};

// Fills items with the rows' leads: numbers from the front, the other cells from the
// back. Returns how many are numbers.
std::size_t fillItems(const DataTable& table, int column, CellOrder order, const SortRules& rules,
                      const std::vector<std::int32_t>& rows, std::vector<SortItem>& items, bool& allRanked)
{
    std::string buffer;
    std::size_t numbers = 0;
    std::size_t texts = 0;
    allRanked = rules.collation.hasAsciiRanks();
    for (std::size_t position = 0; position < rows.size(); ++position) {
        const std::string_view cell = table.cell(rows[position], column);
        double value = 0;
        if (order == CellOrder::Numbers && measurementValue(cell, rules.decimalSeparator, value, buffer)
            && !std::isnan(value)) {
            items[numbers++] = SortItem{orderedBits(value), static_cast<std::int32_t>(position)};
            continue;
        }
        items[items.size() - ++texts] = SortItem{0, static_cast<std::int32_t>(position)};
        allRanked = allRanked && allMapped(TwoPieceText{cell, {}}, rules.collation.asciiRanks());
    }
    return numbers;
}

void sortNumbers(SortItem* begin, SortItem* end, SortDirection direction)
{
    const bool descending = direction == SortDirection::Descending;
    std::sort(begin, end, [descending](const SortItem& a, const SortItem& b) {
        if (a.lead != b.lead)
            return (a.lead < b.lead) != descending;
        return a.position < b.position;
    });
}

void sortTexts(const DataTable& table, int column, const TextKeys& keys, const std::vector<std::int32_t>& rows,
               SortItem* begin, SortItem* end, SortDirection direction)
{
    std::string scratch;
    for (SortItem* item = begin; item != end; ++item)
        item->lead = leadingWord(keys.key(table.cell(rows[static_cast<std::size_t>(item->position)], column), scratch));
    std::string otherScratch;
    const auto keyOf = [&](const SortItem& item, std::string& into) {
        return keys.key(table.cell(rows[static_cast<std::size_t>(item.position)], column), into);
    };
    const bool descending = direction == SortDirection::Descending;
    std::sort(begin, end, [&](const SortItem& a, const SortItem& b) {
        if (a.lead != b.lead)
            return (a.lead < b.lead) != descending;
        const int byKey = keyOf(a, scratch).compare(keyOf(b, otherScratch));
        if (byKey != 0)
            return (byKey < 0) != descending;
        return a.position < b.position;
    });
}

} // namespace

void sortRows(const DataTable& table, int column, CellOrder order, SortDirection direction, const SortRules& rules,
              std::vector<std::int32_t>& rows)
{
    std::vector<SortItem> items(rows.size());
    bool allRanked = true;
    const std::size_t numbers = fillItems(table, column, order, rules, rows, items, allRanked);
    sortNumbers(items.data(), items.data() + numbers, direction);
    sortTexts(table, column, TextKeys(rules, allRanked), rows, items.data() + numbers, items.data() + items.size(),
              direction);
    // The sorted rows are written into the items' leads first, as rows[] is read
    // until the last one is placed.
    for (SortItem& item : items)
        item.lead = static_cast<std::uint32_t>(rows[static_cast<std::size_t>(item.position)]);
    for (std::size_t i = 0; i < items.size(); ++i)
        rows[i] = static_cast<std::int32_t>(items[i].lead);
}

} // namespace kvd
