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
// key: by a hash of their equality key where the collation has one, else through an
// ordered map of sort keys. From the first such text on, every entry is keyed too, so
// that "Ａ" (fullwidth) still finds an entry "a". A file of plain ASCII builds no key
// until its entries are sorted.
class DistinctValues {
public:
    DistinctValues(const Collation& collation, TextEncoding encoding, TextOfRow textOfRow);

    // Adds the text of rowIndex as a new entry, unless an equal entry is present:
    // then nothing is added and the answer is false.
    bool add(int rowIndex);

    // Makes room for `count` entries without growing again.
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

    int newEntry(int rowIndex);
    // The collation key of one text, in the form this list matches keys by.
    struct KeyProbe {
        std::uint64_t hash = 0; // of bytes, with equality keys
        std::string bytes;      // the equality key
        CollationKey key;       // without equality keys
    };

    int findFolded(const SplitText& text, std::uint64_t foldedHash) const;
    QString decoded(const SplitText& text) const;
    CollationKey keyOf(const SplitText& text) const;
    void probeKey(const SplitText& text, KeyProbe& probe) const;
    int findByKey(const KeyProbe& probe) const;
    void insertByKey(KeyProbe& probe, std::int32_t id);
    void buildKeys();

    const Collation& m_collation;
    TextEncoding m_encoding;
    TextOfRow m_textOfRow;
    std::vector<std::int32_t> m_firstRows; // one per entry
    std::vector<bool> m_removed;           // one per entry
    int m_liveCount = 0;
    std::size_t m_reserved = 0; // entries to make room for when a table is first used
    RowHashTable m_folded; // entries of printable ASCII, by folded hash
    bool m_keyed = false;  // every entry is indexed by its collation key
    RowHashTable m_keyHashes; // by equality key hash, where the collation has them
    std::multimap<CollationKey, int, KeyLess> m_keys; // otherwise
    mutable std::string m_scratch;
    mutable std::string m_candidateKey;
    KeyProbe m_probe;
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
