#include "instance/InstanceBlock.h"

#include "common/Errors.h"
#include "instance/ByteLock.h"
#include "instance/LittleEndian.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace kvd {

namespace {

constexpr long kHolderByte = 0;
constexpr long kAccessByte = 1;
constexpr std::size_t kEndpointOffset = 0;
constexpr std::size_t kLimitOffset = 4;
constexpr std::size_t kCountOffset = 5;
// A start that keeps finding a block removed under its hands gives up after this.
constexpr int kClaimAttempts = 100;

std::uint32_t leftBehindEndpoint(SharedMemoryBlock& block)
{
    if (block.size() < InstanceBlock::kSize)
        return 0;
    return getLittleEndian32(block.map(InstanceBlock::kSize).data() + kEndpointOffset);
}

void fillAsFirstStart(SharedMemoryBlock& block, std::int8_t limit, const InstanceBlock::OpenEndpoint& openEndpoint)
{
    const std::uint32_t previous = leftBehindEndpoint(block);
    block.unmap();
    block.resize(InstanceBlock::kSize);
    std::byte* bytes = block.map(InstanceBlock::kSize).data();
    std::memset(bytes, 0, InstanceBlock::kSize);
    putLittleEndian32(bytes + kEndpointOffset, openEndpoint(previous));
    bytes[kLimitOffset] = static_cast<std::byte>(limit);
}

} // namespace

InstanceBlock::InstanceBlock(SharedMemoryBlock block, Role role) noexcept
    : m_block(std::move(block)), m_role(role)
{
}

InstanceBlock InstanceBlock::claim(const std::string& name, std::int8_t limit, const OpenEndpoint& openEndpoint)
{
    for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
        SharedMemoryBlock block = SharedMemoryBlock::openOrCreate(name);
        ScopedByteLock access(block.fd(), kAccessByte, name);
        // The first start removes the name under this lock; an opening made just
        // before that leads nowhere, so open again.
        if (!block.isLinked())
            continue;
        if (ByteLock::tryLock(block.fd(), kHolderByte, name)) {
            fillAsFirstStart(block, limit, openEndpoint);
            return InstanceBlock(std::move(block), Role::FirstStart);
        }
        block.map(kSize);
        return InstanceBlock(std::move(block), Role::LaterStart);
    }
    throw Error("Shared memory '" + name + "' keeps disappearing");
}

InstanceBlock::~InstanceBlock()
{
    if (m_role != Role::FirstStart || m_block.fd() < 0)
        return;
    try {
        ScopedByteLock access(m_block.fd(), kAccessByte, m_block.name());
        m_block.unlink();
    } catch (const Error&) {
        m_block.unlink();
    }
}

std::uint32_t InstanceBlock::endpoint() const
{
    ScopedByteLock access(m_block.fd(), kAccessByte, m_block.name());
    return getLittleEndian32(bytes() + kEndpointOffset);
}

std::int8_t InstanceBlock::limit() const noexcept
{
    auto* cell = reinterpret_cast<signed char*>(bytes() + kLimitOffset);
    return static_cast<std::int8_t>(std::atomic_ref<signed char>(*cell).load(std::memory_order_relaxed));
}

void InstanceBlock::setLimit(std::int8_t limit) noexcept
{
    auto* cell = reinterpret_cast<signed char*>(bytes() + kLimitOffset);
    std::atomic_ref<signed char>(*cell).store(limit, std::memory_order_relaxed);
}

std::uint8_t InstanceBlock::handOffCount() const noexcept
{
    auto* cell = reinterpret_cast<unsigned char*>(bytes() + kCountOffset);
    return std::atomic_ref<unsigned char>(*cell).load(std::memory_order_relaxed);
}

bool InstanceBlock::enterHandOff()
{
    ScopedByteLock access(m_block.fd(), kAccessByte, m_block.name());
    auto* cell = reinterpret_cast<unsigned char*>(bytes() + kCountOffset);
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
    ScopedByteLock access(m_block.fd(), kAccessByte, m_block.name());
    auto* cell = reinterpret_cast<unsigned char*>(bytes() + kCountOffset);
    std::atomic_ref<unsigned char> count(*cell);
    const unsigned char entered = count.load(std::memory_order_relaxed);
    if (entered > 0)
        count.store(static_cast<unsigned char>(entered - 1), std::memory_order_relaxed);
}

} // namespace kvd
