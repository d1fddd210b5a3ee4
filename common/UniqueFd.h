#pragma once

#include <unistd.h>

#include <utility>

namespace kvd {

// Owns one file descriptor and closes it on destruction. Move-only. The close of the
// destructor ignores errors and is never retried: on Linux the descriptor is released
// whatever close returns. A descriptor whose close must be checked is release()d and
// closed by its owner.
class UniqueFd {
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }
    void reset(int fd = -1) noexcept
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Gives up ownership: the caller closes the returned descriptor.
    int release() noexcept { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

} // namespace kvd
