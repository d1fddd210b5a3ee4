#include "instance/SharedMemoryBlock.h"

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace kvd {

namespace {

constexpr mode_t OwnerOnly = S_IRUSR | S_IWUSR;

int openRetrying(const std::string& path, int flags)
{
    return retryOnInterrupt([&] { return ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, OwnerOnly); });
}

struct stat statOf(int fd, const std::string& name)
{
    struct stat info {};
    if (fstat(fd, &info) != 0)
        throw systemCallError(errno, "fstat", name);
    return info;
}

} // namespace

SharedMemoryBlock::SharedMemoryBlock(int fd, std::string name) noexcept
    : m_fd(fd), m_name(std::move(name))
{
}

SharedMemoryBlock SharedMemoryBlock::adoptChecked(int fd, const std::string& name)
{
    SharedMemoryBlock block(fd, name);
    const struct stat info = statOf(fd, name);
    if (!S_ISREG(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 077) != 0)
        throw IoError(EACCES, name, "Shared memory '" + name + "' belongs to another user or is open to others");
    return block;
}

SharedMemoryBlock SharedMemoryBlock::createExclusive(const std::string& path, std::size_t size)
{
    const int fd = openRetrying(path, O_RDWR | O_CREAT | O_EXCL);
    if (fd < 0)
        throw systemCallError(errno, "open", path);
    SharedMemoryBlock block(fd, path);
    try {
        if (fchmod(fd, OwnerOnly) != 0)
            throw systemCallError(errno, "fchmod", path);
        block.resize(size);
    } catch (...) {
        block.unlink();
        throw;
    }
    return block;
}

SharedMemoryBlock SharedMemoryBlock::openOrCreate(const std::string& path)
{
    const int fd = openRetrying(path, O_RDWR | O_CREAT);
    if (fd < 0)
        throw systemCallError(errno, "open", path);
    return adoptChecked(fd, path);
}

std::optional<SharedMemoryBlock> SharedMemoryBlock::open(const std::string& path)
{
    const int fd = openRetrying(path, O_RDWR);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw systemCallError(errno, "open", path);
    }
    return adoptChecked(fd, path);
}

SharedMemoryBlock::SharedMemoryBlock(SharedMemoryBlock&& other) noexcept
    : m_fd(std::move(other.m_fd)),
      m_name(std::move(other.m_name)),
      m_view(std::exchange(other.m_view, {}))
{
}

SharedMemoryBlock& SharedMemoryBlock::operator=(SharedMemoryBlock&& other) noexcept
{
    if (this != &other) {
        unmap();
        m_fd = std::move(other.m_fd);
        m_name = std::move(other.m_name);
        m_view = std::exchange(other.m_view, {});
    }
    return *this;
}

SharedMemoryBlock::~SharedMemoryBlock()
{
    unmap();
}

std::size_t SharedMemoryBlock::size() const
{
    return static_cast<std::size_t>(statOf(fd(), m_name).st_size);
}

void SharedMemoryBlock::resize(std::size_t size)
{
    if (retryOnInterrupt([&] { return ftruncate(fd(), static_cast<off_t>(size)); }) != 0)
        throw systemCallError(errno, "ftruncate", m_name);
    reserve(size);
}

void SharedMemoryBlock::reserve(std::size_t bytes)
{
    if (bytes == 0)
        return;
    // On a full file system, touching a page of a mapping that has no memory behind it
    // ends the process with SIGBUS, reading included. Allocating what is already
    // allocated changes nothing.
    const auto allocate = [&] {
        const int error = posix_fallocate(fd(), 0, static_cast<off_t>(bytes));
        errno = error; // it returns its error instead of setting errno
        return error == 0 ? 0 : -1;
    };
    if (retryOnInterrupt(allocate) != 0)
        throw systemCallError(errno, "posix_fallocate", m_name);
}

bool SharedMemoryBlock::isLinked() const
{
    return statOf(fd(), m_name).st_nlink > 0;
}

std::span<std::byte> SharedMemoryBlock::map(std::size_t bytes)
{
    unmap();
    const std::size_t available = size();
    if (bytes == 0 || bytes > available)
        throw Error("Shared memory '" + m_name + "' holds " + std::to_string(available)
                    + " bytes, " + std::to_string(bytes) + " were asked for");
    reserve(bytes);
    void* address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd(), 0);
    if (address == MAP_FAILED)
        throw systemCallError(errno, "mmap", m_name);
    m_view = {static_cast<std::byte*>(address), bytes};
    return m_view;
}

void SharedMemoryBlock::unmap() noexcept
{
    if (!m_view.empty())
        munmap(m_view.data(), m_view.size());
    m_view = {};
}

void SharedMemoryBlock::unlink() noexcept
{
    if (!m_name.empty())
        ::unlink(m_name.c_str());
}

} // namespace kvd
