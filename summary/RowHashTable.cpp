#include "summary/RowHashTable.h"

namespace kvd {

namespace {
constexpr std::size_t InitialSlots = 16;
}

RowHashTable::RowHashTable()
{
    clear();
}

void RowHashTable::clear()
{
    m_slots.assign(InitialSlots, Slot{});
    m_slots.shrink_to_fit();
    m_mask = InitialSlots - 1;
    m_size = 0;
}

void RowHashTable::insert(std::uint64_t hash, std::int32_t id)
{
    if ((m_size + 1) * 2 > m_slots.size())
        rehash(m_slots.size() * 2);
    place(tagOf(hash), id);
    ++m_size;
}

void RowHashTable::place(std::uint32_t tag, std::int32_t id)
{
    std::size_t index = tag & m_mask;
    while (m_slots[index].id >= 0)
        index = (index + 1) & m_mask;
    m_slots[index] = Slot{tag, id};
}

void RowHashTable::reserve(std::size_t count)
{
    std::size_t slotCount = m_slots.size();
    while (slotCount < count * 2)
        slotCount *= 2;
    if (slotCount > m_slots.size())
        rehash(slotCount);
}

void RowHashTable::rehash(std::size_t slotCount)
{
    std::vector<Slot> old(slotCount);
    old.swap(m_slots);
    m_mask = m_slots.size() - 1;
    for (const Slot& slot : old) {
        if (slot.id >= 0)
            place(slot.tag, slot.id);
    }
}

} // namespace kvd
