#include "summary/RowHashTable.h"

#include <algorithm>

namespace kvd {

RowHashTable::RowHashTable(std::size_t capacity, std::size_t idLimit)
    : m_slots(capacity + capacity / 3 + 1, 0), m_capacity(capacity),
      m_idMask(static_cast<std::uint32_t>(std::bit_ceil(static_cast<std::uint64_t>(idLimit) + 1) - 1))
{
}

std::size_t RowHashTable::grownCapacity(std::size_t capacity, std::size_t rowsMet, std::size_t rowCount) noexcept
{
    const std::uint64_t foretold = std::uint64_t{capacity} * rowCount / std::max<std::uint64_t>(rowsMet, 1);
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(rowCount, std::max<std::uint64_t>(std::uint64_t{capacity} * 2, foretold + foretold / 8)));
}

void RowHashTable::clear() noexcept
{
    std::fill(m_slots.begin(), m_slots.end(), 0u);
    m_probes = 0;
    m_lookups = 0;
}

} // namespace kvd
