#pragma once

#include <chrono>
#include <string>

namespace kvd {

// Exclusive locks on single bytes of an open file, held by the open file description
// (Linux OFD locks): the kernel drops them when the last descriptor of that opening
// is closed, also when the process is killed. Two openings of one file contend even
// inside one process.
class ByteLock {
public:
    // Takes the lock on byte `offset` of fd, waiting at most `wait` while another
    // opening holds it: a holder that was stopped (SIGSTOP, a debugger) must not hold
    // every other start for ever. Throws IoError, with EWOULDBLOCK when the wait ran
    // out (name is for the message).
    static void lock(int fd, long offset, const std::string& name, std::chrono::milliseconds wait);
    // Takes the lock when it is free; false when another opening holds it. Throws
    // IoError for other failures.
    static bool tryLock(int fd, long offset, const std::string& name);
    static void unlock(int fd, long offset) noexcept;
};

// Holds the lock on one byte for the lifetime of the object.
class ScopedByteLock {
public:
    ScopedByteLock(int fd, long offset, const std::string& name, std::chrono::milliseconds wait)
        : m_fd(fd), m_offset(offset)
    {
        ByteLock::lock(fd, offset, name, wait);
    }
    ~ScopedByteLock() { ByteLock::unlock(m_fd, m_offset); }
    ScopedByteLock(const ScopedByteLock&) = delete;
    ScopedByteLock& operator=(const ScopedByteLock&) = delete;

private:
    int m_fd;
    long m_offset;
};

} // namespace kvd
