#include "summary/RowHashTable.h"

#include <algorithm>

namespace kvd {

RowHashTable::RowHashTable(std::size_t capacity, std::size_t idLimit)
    : m_slots(capacity + capacity / 3 + 1, 0), m_capacity(capacity),
      m_idMask(static_cast<std::uint32_t>(std::bit_ceil(static_cast<std::uint64_t>(idLimit) + 1) - 1))
{
}

void RowHashTable::clear() noexcept
{
    std::fill(m_slots.begin(), m_slots.end(), 0u);
}

} // namespace kvd
