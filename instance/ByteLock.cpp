#include "instance/ByteLock.h"

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <thread>

namespace kvd {

namespace {

using Clock = std::chrono::steady_clock;

// The pause between two tries grows from the first to the last.
constexpr std::chrono::milliseconds FirstPause{1};
constexpr std::chrono::milliseconds LongestPause{50};

struct flock byteRange(short type, long offset)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = offset;
    range.l_len = 1;
    range.l_pid = 0; // required for OFD locks
    return range;
}

int control(int fd, int command, short type, long offset)
{
    struct flock range = byteRange(type, offset);
    return retryOnInterrupt([&] { return fcntl(fd, command, &range); });
}

} // namespace

void ByteLock::lock(int fd, long offset, const std::string& name, std::chrono::milliseconds wait)
{
    // The kernel's waiting lock has no time limit, so the lock is tried again and
    // again instead, with growing pauses.
    const auto deadline = Clock::now() + wait;
    for (auto pause = FirstPause;; pause = std::min(pause * 2, LongestPause)) {
        if (tryLock(fd, offset, name))
            return;
        const auto now = Clock::now();
        if (now >= deadline)
            throw IoError(EWOULDBLOCK, name,
                          "lock '" + name + "': held by another start for more than " +
                              std::to_string(wait.count()) + " ms");
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    }
}

bool ByteLock::tryLock(int fd, long offset, const std::string& name)
{
    if (control(fd, F_OFD_SETLK, F_WRLCK, offset) == 0)
        return true;
    if (errno == EAGAIN || errno == EACCES)
        return false;
    throw systemCallError(errno, "lock", name);
}

void ByteLock::unlock(int fd, long offset) noexcept
{
    control(fd, F_OFD_SETLK, F_UNLCK, offset);
}

} // namespace kvd
