#include "summary/DistinctValues.h"

#include "datafile/Errors.h"

#include <algorithm>

namespace kvd {

DistinctValues::DistinctValues(const Collation& collation, TextEncoding encoding, TextOfRow textOfRow)
    : m_collation(collation), m_encoding(encoding), m_textOfRow(std::move(textOfRow)),
      m_keys(KeyLess{&collation})
{
}

int DistinctValues::rowOfId(std::int32_t id) const
{
    return (id & AliasBit) ? m_aliases[static_cast<std::size_t>(id & ~AliasBit)].row
                           : m_firstRows[static_cast<std::size_t>(id)];
}

int DistinctValues::entryOfId(std::int32_t id) const
{
    return (id & AliasBit) ? m_aliases[static_cast<std::size_t>(id & ~AliasBit)].entry : id;
}

std::int32_t DistinctValues::aliasId(int rowIndex, int entry)
{
    if (m_aliases.size() >= static_cast<std::size_t>(AliasBit))
        throw Error("Too many distinct values in one column");
    m_aliases.push_back(Alias{rowIndex, entry});
    return static_cast<std::int32_t>(m_aliases.size() - 1) | AliasBit;
}

int DistinctValues::newEntry(int rowIndex)
{
    if (m_firstRows.size() >= static_cast<std::size_t>(AliasBit))
        throw Error("Too many distinct values in one column");
    m_firstRows.push_back(rowIndex);
    m_removed.push_back(false);
    ++m_liveCount;
    return static_cast<int>(m_firstRows.size() - 1);
}

int DistinctValues::findByHash(const RowHashTable& table, std::uint64_t hash, const SplitText& text,
                               bool folded) const
{
    const std::int32_t id = table.find(hash, [&](std::int32_t candidate) {
        const SplitText other = m_textOfRow(rowOfId(candidate));
        return folded ? equalFoldingAscii(other, text) : equalBytes(other, text);
    });
    return id < 0 ? -1 : entryOfId(id);
}

CollationKey DistinctValues::keyOf(const SplitText& text) const
{
    m_scratch.assign(text.head);
    m_scratch.append(text.tail);
    return m_collation.key(decodeText(m_scratch, m_encoding));
}

void DistinctValues::buildKeys()
{
    if (m_keyed)
        return;
    for (std::size_t entry = 0; entry < m_firstRows.size(); ++entry)
        m_keys.emplace(keyOf(m_textOfRow(m_firstRows[entry])), static_cast<int>(entry));
    m_keyed = true;
}

bool DistinctValues::add(int rowIndex)
{
    const SplitText text = m_textOfRow(rowIndex);
    const TextHashes hashes = hashText(text);
    if (hashes.printableAscii && m_collation.foldsPrintableAscii()) {
        if (findByHash(m_folded, hashes.folded, text, true) >= 0)
            return false;
        if (!m_keyed) {
            m_folded.insert(hashes.folded, newEntry(rowIndex));
            return true;
        }
        CollationKey key = keyOf(text);
        const auto found = m_keys.find(key);
        if (found != m_keys.end()) {
            m_folded.insert(hashes.folded, aliasId(rowIndex, found->second));
            return false;
        }
        const int entry = newEntry(rowIndex);
        m_keys.emplace(std::move(key), entry);
        m_folded.insert(hashes.folded, entry);
        return true;
    }

    if (findByHash(m_exact, hashes.exact, text, false) >= 0)
        return false;
    buildKeys();
    CollationKey key = keyOf(text);
    const auto found = m_keys.find(key);
    if (found != m_keys.end()) {
        m_exact.insert(hashes.exact, aliasId(rowIndex, found->second));
        return false;
    }
    const int entry = newEntry(rowIndex);
    m_keys.emplace(std::move(key), entry);
    m_exact.insert(hashes.exact, entry);
    return true;
}

void DistinctValues::reserve(std::size_t count)
{
    m_firstRows.reserve(count);
    m_removed.reserve(count);
    m_folded.reserve(count);
}

int DistinctValues::find(const SplitText& text)
{
    const TextHashes hashes = hashText(text);
    const bool ascii = hashes.printableAscii && m_collation.foldsPrintableAscii();
    const int entry = ascii ? findByHash(m_folded, hashes.folded, text, true)
                            : findByHash(m_exact, hashes.exact, text, false);
    if (entry >= 0)
        return entry;
    if (ascii && !m_keyed)
        return -1;
    buildKeys();
    const auto found = m_keys.find(keyOf(text));
    return found == m_keys.end() ? -1 : found->second;
}

void DistinctValues::remove(int entry)
{
    if (entry < 0 || static_cast<std::size_t>(entry) >= m_removed.size() || m_removed[static_cast<std::size_t>(entry)])
        return;
    m_removed[static_cast<std::size_t>(entry)] = true;
    --m_liveCount;
}

std::vector<int> DistinctValues::firstRowsInOrder() const
{
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(m_liveCount));
    if (m_keyed) {
        for (const auto& [key, entry] : m_keys) {
            if (!m_removed[static_cast<std::size_t>(entry)])
                rows.push_back(m_firstRows[static_cast<std::size_t>(entry)]);
        }
        return rows;
    }
    std::vector<std::pair<CollationKey, int>> keyed;
    keyed.reserve(static_cast<std::size_t>(m_liveCount));
    for (std::size_t entry = 0; entry < m_firstRows.size(); ++entry) {
        if (!m_removed[entry])
            keyed.emplace_back(keyOf(m_textOfRow(m_firstRows[entry])), m_firstRows[entry]);
    }
    std::sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) {
        return m_collation.compare(a.first, b.first) < 0;
    });
    for (const auto& [key, row] : keyed)
        rows.push_back(row);
    return rows;
}

SpellingCounts::SpellingCounts(TextOfRow textOfRow)
    : m_textOfRow(std::move(textOfRow))
{
}

int SpellingCounts::find(const SplitText& text, std::uint64_t hash) const
{
    return m_table.find(hash, [&](std::int32_t id) {
        return equalBytes(m_textOfRow(m_firstRows[static_cast<std::size_t>(id)]), text);
    });
}

void SpellingCounts::add(int rowIndex)
{
    const SplitText text = m_textOfRow(rowIndex);
    const std::uint64_t hash = hashText(text).exact;
    const int id = find(text, hash);
    if (id >= 0) {
        ++m_counts[static_cast<std::size_t>(id)];
        return;
    }
    m_firstRows.push_back(rowIndex);
    m_counts.push_back(1);
    m_table.insert(hash, static_cast<std::int32_t>(m_firstRows.size() - 1));
}

int SpellingCounts::count(const SplitText& text) const
{
    const int id = find(text, hashText(text).exact);
    return id < 0 ? 0 : m_counts[static_cast<std::size_t>(id)];
}

} // namespace kvd
