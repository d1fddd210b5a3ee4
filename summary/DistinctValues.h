#pragma once

#include "datafile/TextEncoding.h"
#include "summary/Collation.h"
#include "summary/RowHashTable.h"
#include "summary/SplitText.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kvd {

// The text of an object row in the column (or pair of columns) a list is about.
using TextOfRow = std::function<SplitText(int rowIndex)>;

// The distinct values of a column: texts equal under a case-insensitive Collation
// form one entry, which keeps the spelling added first. Entries are kept as row
// indexes; their texts are read back through TextOfRow, never copied.
//
// Texts of printable ASCII are matched through a hash of their case-folded bytes
// (when the collation agrees that this is its equality, see
// Collation::foldsPrintableAscii). Other texts are decoded and matched by collation
// key; from the first such text on, every entry gets a key too, so that "Ａ"
// (fullwidth) still finds an entry "a". A file of plain ASCII builds no key until its
// entries are sorted.
class DistinctValues {
public:
    DistinctValues(const Collation& collation, TextEncoding encoding, TextOfRow textOfRow);

    // Adds the text of rowIndex as a new entry, unless an equal entry is present:
    // then nothing is added and the answer is false.
    bool add(int rowIndex);

    // Makes room for `count` entries of printable ASCII without growing again.
    void reserve(std::size_t count);

    // The entry equal to text, or -1. May build collation keys.
    int find(const SplitText& text);

    // Hides an entry from size() and firstRowsInOrder(). Texts equal to it are still
    // refused by add().
    void remove(int entry);

    // The number of entries present.
    int size() const noexcept { return m_liveCount; }

    // The first row of every entry present, in collation order.
    std::vector<int> firstRowsInOrder() const;

private:
    struct KeyLess {
        const Collation* collation;
        bool operator()(const CollationKey& a, const CollationKey& b) const { return collation->compare(a, b) < 0; }
    };

    // A table id is an entry (its text is the entry's first row) or, with AliasBit
    // set, an alias: another spelling of an entry, kept so that it is found by hash.
    static constexpr std::int32_t AliasBit = std::int32_t(1) << 30;
    struct Alias {
        std::int32_t row;
        std::int32_t entry;
    };

    int rowOfId(std::int32_t id) const;
    int entryOfId(std::int32_t id) const;
    std::int32_t aliasId(int rowIndex, int entry);
    int newEntry(int rowIndex);
    int findByHash(const RowHashTable& table, std::uint64_t hash, const SplitText& text, bool folded) const;
    CollationKey keyOf(const SplitText& text) const;
    void buildKeys();

    const Collation& m_collation;
    TextEncoding m_encoding;
    TextOfRow m_textOfRow;
    std::vector<std::int32_t> m_firstRows; // one per entry
    std::vector<bool> m_removed;           // one per entry
    std::vector<Alias> m_aliases;
    int m_liveCount = 0;
    RowHashTable m_folded; // printable-ASCII texts, by folded hash
    RowHashTable m_exact;  // other texts, by exact hash: a spelling met again needs no key
    bool m_keyed = false;  // every entry has its key in m_keys
    std::multimap<CollationKey, int, KeyLess> m_keys; // every entry, once m_keyed
    mutable std::string m_scratch;
};

// How many times each exact spelling (case-sensitive, every byte) occurs in a column.
class SpellingCounts {
public:
    explicit SpellingCounts(TextOfRow textOfRow);

    void add(int rowIndex);
    // The number of rows added whose text is exactly `text`.
    int count(const SplitText& text) const;
    // The first row of every distinct spelling, in the order they were first added.
    const std::vector<std::int32_t>& firstRows() const noexcept { return m_firstRows; }

private:
    int find(const SplitText& text, std::uint64_t hash) const;

    TextOfRow m_textOfRow;
    RowHashTable m_table;
    std::vector<std::int32_t> m_firstRows;
    std::vector<std::int32_t> m_counts;
};

} // namespace kvd
