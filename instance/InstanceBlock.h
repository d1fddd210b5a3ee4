#pragma once

#include "instance/SharedMemoryBlock.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kvd {

// The 6-byte block that the first start of a program file publishes for later starts:
//
//   offset 0, 4 bytes little-endian: the number of the first start's message endpoint
//   offset 4, 1 byte signed: MaxNewInstances
//   offset 5, 1 byte unsigned: later starts currently inside their start-up check
//
// The object itself carries two byte locks (see ByteLock). Byte 0 is held by the first
// start for as long as it runs, so a block left behind by a start that crashed or was
// killed has no holder and is taken over by the next start. Byte 1 is held briefly by
// whoever decides its role, publishes, counts a hand-off or removes the block, so that
// of several starts at the same moment exactly one becomes the first start. Nobody
// waits for byte 1 longer than the lock wait: a start stopped while it held the lock
// makes the others fail (and run unguarded) instead of waiting for ever.
class InstanceBlock {
public:
    static constexpr std::size_t Size = 6;
    static constexpr std::chrono::milliseconds DefaultLockWait{5000};
    enum class Role { FirstStart, LaterStart };

    // Called by the first start, with the block locked, to open its message endpoint.
    // Gets the endpoint number found in a block left behind (0 for none) and returns
    // the number of its own endpoint (0 when it has none).
    using OpenEndpoint = std::function<std::uint32_t(std::uint32_t leftBehindEndpoint)>;

    // Opens the block `name` ("/..." form), or creates it, and decides this start's
    // role. A first start fills the block with its endpoint, `limit` and a count of 0
    // before any other start can read it. Throws IoError or Error when the block
    // cannot be used, EWOULDBLOCK among them when another start held its lock for
    // longer than lockWait.
    static InstanceBlock claim(const std::string& name, std::int8_t limit, const OpenEndpoint& openEndpoint,
                               std::chrono::milliseconds lockWait = DefaultLockWait);

    InstanceBlock(InstanceBlock&&) noexcept = default;
    InstanceBlock& operator=(InstanceBlock&&) = delete;
    // A first start removes the block (the name disappears; starts from now on are
    // first starts again) and drops its locks.
    ~InstanceBlock();

    Role role() const noexcept { return m_role; }
    std::uint32_t endpoint() const;
    std::int8_t limit() const noexcept;
    void setLimit(std::int8_t limit) noexcept;
    std::uint8_t handOffCount() const noexcept;

    // A later start counts itself in. False when the limit is 0 or more and the count
    // would exceed it; the count is then left as it was.
    bool enterHandOff();
    // A later start that entered counts itself out again (never below 0: a block
    // taken over after its first start died starts again at 0).
    void leaveHandOff();

private:
    InstanceBlock(SharedMemoryBlock block, Role role, std::chrono::milliseconds lockWait) noexcept;
    std::byte* bytes() const noexcept { return m_block.view().data(); }

    SharedMemoryBlock m_block;
    Role m_role;
    std::chrono::milliseconds m_lockWait;
    bool m_counted = false;
};

} // namespace kvd
