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

    // Below 0, 0 or above 0 as a's key is before, equal to or after b's.
    int compare(std::string_view a, std::string_view b, std::string& scratch, std::string& otherScratch) const
    {
        if (a == b)
            return 0;
        if (m_ranked) { // rank by rank, without making the keys
            const std::uint8_t* ranks = m_rules.collation.asciiRanks();
            const std::size_t common = std::min(a.size(), b.size());
            for (std::size_t i = 0; i < common; ++i) {
                const int order = ranks[static_cast<unsigned char>(a[i])] - ranks[static_cast<unsigned char>(b[i])];
                if (order != 0)
                    return order;
            }
            return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
        }
        return key(a, scratch).compare(key(b, otherScratch));
    }

    // Whether keys hold no zero byte: a lead word whose last byte is 0 then holds all
    // of its key (rank keys, and the collator's keys, which end at their only 0).
    bool withoutZeroBytes() const noexcept { return m_ranked || m_rules.collation.icuCollator() != nullptr; }

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

// The number of bytes the keys of every item begin with alike.
std::size_t sharedBeginning(const DataTable& table, int column, const TextKeys& keys,
                            const std::vector<std::int32_t>& rows, const SortItem* begin, const SortItem* end)
{
    if (begin == end)
        return 0;
    std::string first;
    std::string scratch;
    const std::string_view firstKey = keys.key(table.cell(rows[static_cast<std::size_t>(begin->position)], column), first);
    std::size_t shared = firstKey.size();
    for (const SortItem* item = begin + 1; item != end && shared > 0; ++item) {
        const std::string_view key = keys.key(table.cell(rows[static_cast<std::size_t>(item->position)], column), scratch);
        const std::size_t limit = std::min(shared, key.size());
        shared = static_cast<std::size_t>(
            std::mismatch(firstKey.begin(), firstKey.begin() + static_cast<std::ptrdiff_t>(limit), key.begin()).first
            - firstKey.begin());
    }
    return shared;
}

// Bytes [from, from + 8) of key as a big-endian word, zeros past its end. Of keys
// that share their first `from` bytes, the words order as the keys do, or are equal.
std::uint64_t leadingWord(std::string_view key, std::size_t from) noexcept
{
    std::uint64_t word = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        word = (word << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return word;
}

void sortTexts(const DataTable& table, int column, const TextKeys& keys, const std::vector<std::int32_t>& rows,
               SortItem* begin, SortItem* end, SortDirection direction)
{
    const std::size_t shared = sharedBeginning(table, column, keys, rows, begin, end);
    std::string scratch;
    for (SortItem* item = begin; item != end; ++item)
        item->lead = leadingWord(keys.key(table.cell(rows[static_cast<std::size_t>(item->position)], column), scratch),
                                 shared);
    std::string otherScratch;
    const auto textOf = [&](const SortItem& item) { return table.cell(rows[static_cast<std::size_t>(item.position)], column); };
    const bool descending = direction == SortDirection::Descending;
    const bool wholeInLead = keys.withoutZeroBytes();
    std::sort(begin, end, [&](const SortItem& a, const SortItem& b) {
        if (a.lead != b.lead)
            return (a.lead < b.lead) != descending;
        if (!wholeInLead || (a.lead & 0xFF) != 0) {
            const int byKey = keys.compare(textOf(a), textOf(b), scratch, otherScratch);
            if (byKey != 0)
                return (byKey < 0) != descending;
        }
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
