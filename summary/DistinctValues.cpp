#include "summary/DistinctValues.h"

#include <algorithm>

namespace kvd {

DistinctValues::DistinctValues(const Collation& collation, TextEncoding encoding, TextOfRow textOfRow)
    : m_collation(collation), m_encoding(encoding), m_textOfRow(std::move(textOfRow)),
      m_keys(KeyLess{&collation})
{
}

int DistinctValues::newEntry(int rowIndex)
{
    m_firstRows.push_back(rowIndex);
    m_removed.push_back(false);
    ++m_liveCount;
    return static_cast<int>(m_firstRows.size() - 1);
}

int DistinctValues::findFolded(const SplitText& text, std::uint64_t foldedHash) const
{
    return m_folded.find(foldedHash, [&](std::int32_t entry) {
        return equalFoldingAscii(m_textOfRow(m_firstRows[static_cast<std::size_t>(entry)]), text);
    });
}

QString DistinctValues::decoded(const SplitText& text) const
{
    m_scratch.assign(text.head);
    m_scratch.append(text.tail);
    return decodeText(m_scratch, m_encoding);
}

CollationKey DistinctValues::keyOf(const SplitText& text) const
{
    return m_collation.key(decoded(text));
}

void DistinctValues::probeKey(const SplitText& text, KeyProbe& probe) const
{
    if (m_collation.equalityKey(decoded(text), probe.bytes))
        probe.hash = hashText(SplitText{probe.bytes, {}}).exact;
    else
        probe.key = keyOf(text);
}

int DistinctValues::findByKey(const KeyProbe& probe) const
{
    if (!m_collation.hasEqualityKeys()) {
        const auto found = m_keys.find(probe.key);
        return found == m_keys.end() ? -1 : found->second;
    }
    // Keys are not stored: a candidate's is computed again, which only a duplicate
    // (or a clash of 32 hash bits) asks for.
    return m_keyHashes.find(probe.hash, [&](std::int32_t candidate) {
        m_collation.equalityKey(decoded(m_textOfRow(m_firstRows[static_cast<std::size_t>(candidate)])),
                                m_candidateKey);
        return m_candidateKey == probe.bytes;
    });
}

void DistinctValues::insertByKey(KeyProbe& probe, std::int32_t id)
{
    if (m_collation.hasEqualityKeys())
        m_keyHashes.insert(probe.hash, id);
    else
        m_keys.emplace(std::move(probe.key), id);
}

void DistinctValues::buildKeys()
{
    if (m_keyed)
        return;
    if (m_collation.hasEqualityKeys())
        m_keyHashes.reserve(std::max(m_reserved, m_firstRows.size()));
    for (std::size_t entry = 0; entry < m_firstRows.size(); ++entry) {
        probeKey(m_textOfRow(m_firstRows[entry]), m_probe);
        insertByKey(m_probe, static_cast<std::int32_t>(entry));
    }
    m_keyed = true;
}

bool DistinctValues::add(int rowIndex)
{
    const SplitText text = m_textOfRow(rowIndex);
    const TextHashes hashes = hashText(text);
    const bool ascii = hashes.printableAscii && m_collation.foldsPrintableAscii();
    if (ascii) {
        if (findFolded(text, hashes.folded) >= 0)
            return false;
        if (!m_keyed) {
            if (m_folded.size() == 0)
                m_folded.reserve(m_reserved);
            m_folded.insert(hashes.folded, newEntry(rowIndex));
            return true;
        }
    }
    buildKeys();
    probeKey(text, m_probe);
    if (findByKey(m_probe) >= 0)
        return false;
    const int entry = newEntry(rowIndex);
    insertByKey(m_probe, entry);
    if (ascii)
        m_folded.insert(hashes.folded, entry);
    return true;
}

void DistinctValues::reserve(std::size_t count)
{
    m_reserved = count;
    m_firstRows.reserve(count);
    m_removed.reserve(count);
}

int DistinctValues::find(const SplitText& text)
{
    const TextHashes hashes = hashText(text);
    const bool ascii = hashes.printableAscii && m_collation.foldsPrintableAscii();
    if (ascii) {
        const int entry = findFolded(text, hashes.folded);
        if (entry >= 0 || !m_keyed)
            return entry;
    }
    buildKeys();
    probeKey(text, m_probe);
    return findByKey(m_probe);
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
    if (m_keyed && !m_collation.hasEqualityKeys()) {
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
