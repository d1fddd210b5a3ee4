#include "instance/InstanceBlock.h"

#include "common/Errors.h"
#include "instance/ByteLock.h"
#include "instance/LittleEndian.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace kvd {

namespace {

constexpr long HolderByte = 0;
constexpr long AccessByte = 1;
constexpr std::size_t EndpointOffset = 0;
constexpr std::size_t LimitOffset = 4;
constexpr std::size_t CountOffset = 5;
// A start that keeps finding a block removed under its hands gives up after this.
constexpr int ClaimAttempts = 100;

std::uint32_t leftBehindEndpoint(SharedMemoryBlock& block)
{
    if (block.size() < InstanceBlock::Size)
        return 0;
    return getLittleEndian32(block.map(InstanceBlock::Size).data() + EndpointOffset);
}

void fillAsFirstStart(SharedMemoryBlock& block, std::int8_t limit, const InstanceBlock::OpenEndpoint& openEndpoint)
{
    const std::uint32_t previous = leftBehindEndpoint(block);
    block.unmap();
    block.resize(InstanceBlock::Size);
    std::byte* bytes = block.map(InstanceBlock::Size).data();
    std::memset(bytes, 0, InstanceBlock::Size);
    putLittleEndian32(bytes + EndpointOffset, openEndpoint(previous));
    bytes[LimitOffset] = static_cast<std::byte>(limit);
}

} // namespace

InstanceBlock::InstanceBlock(SharedMemoryBlock block, Role role, std::chrono::milliseconds lockWait) noexcept
    : m_block(std::move(block)), m_role(role), m_lockWait(lockWait)
{
}

InstanceBlock InstanceBlock::claim(const std::string& name, std::int8_t limit, const OpenEndpoint& openEndpoint,
                                   std::chrono::milliseconds lockWait)
{
    for (int attempt = 0; attempt < ClaimAttempts; ++attempt) {
        SharedMemoryBlock block = SharedMemoryBlock::openOrCreate(name);
        ScopedByteLock access(block.fd(), AccessByte, name, lockWait);
        // The first start removes the name under this lock; an opening made just
        // before that leads nowhere, so open again.
        if (!block.isLinked())
            continue;
        if (ByteLock::tryLock(block.fd(), HolderByte, name)) {
            try {
                fillAsFirstStart(block, limit, openEndpoint);
            } catch (...) {
                // A block that could not be filled (a full file system) is not left
                // for the next start to find.
                block.unlink();
                throw;
            }
            return InstanceBlock(std::move(block), Role::FirstStart, lockWait);
        }
        block.map(Size);
        return InstanceBlock(std::move(block), Role::LaterStart, lockWait);
    }
    throw Error("Shared memory '" + name + "' keeps disappearing");
}

InstanceBlock::~InstanceBlock()
{
    if (m_role != Role::FirstStart || m_block.fd() < 0)
        return;
    try {
        ScopedByteLock access(m_block.fd(), AccessByte, m_block.name(), m_lockWait);
        m_block.unlink();
    } catch (const Error&) {
        m_block.unlink();
    }
}

std::uint32_t InstanceBlock::endpoint() const
{
    ScopedByteLock access(m_block.fd(), AccessByte, m_block.name(), m_lockWait);
    return getLittleEndian32(bytes() + EndpointOffset);
}

std::int8_t InstanceBlock::limit() const noexcept
{
    auto* cell = reinterpret_cast<signed char*>(bytes() + LimitOffset);
    return static_cast<std::int8_t>(std::atomic_ref<signed char>(*cell).load(std::memory_order_relaxed));
}

void InstanceBlock::setLimit(std::int8_t limit) noexcept
{
    auto* cell = reinterpret_cast<signed char*>(bytes() + LimitOffset);
    std::atomic_ref<signed char>(*cell).store(limit, std::memory_order_relaxed);
}

std::uint8_t InstanceBlock::handOffCount() const noexcept
{
    auto* cell = reinterpret_cast<unsigned char*>(bytes() + CountOffset);
    return std::atomic_ref<unsigned char>(*cell).load(std::memory_order_relaxed);
}

bool InstanceBlock::enterHandOff()
{
    ScopedByteLock access(m_block.fd(), AccessByte, m_block.name(), m_lockWait);
    auto* cell = reinterpret_cast<unsigned char*>(bytes() + CountOffset);
    std::atomic_ref<unsigned char> count(*cell);
    const unsigned char entered = count.load(std::memory_order_relaxed);
    const std::int8_t max = limit();
    if (max >= 0 && entered >= max)
        return false;
    // A full count without a limit is no reason to stop: go on uncounted.
    m_counted = entered < 255;
    if (m_counted)
        count.store(static_cast<unsigned char>(entered + 1), std::memory_order_relaxed);
    return true;
}

void InstanceBlock::leaveHandOff()
{
    if (!std::exchange(m_counted, false))
        return;
    ScopedByteLock access(m_block.fd(), AccessByte, m_block.name(), m_lockWait);
    auto* cell = reinterpret_cast<unsigned char*>(bytes() + CountOffset);
    std::atomic_ref<unsigned char> count(*cell);
    const unsigned char entered = count.load(std::memory_order_relaxed);
    if (entered > 0)
        count.store(static_cast<unsigned char>(entered - 1), std::memory_order_relaxed);
}

} // namespace kvd
