#include "datafile/FileBytes.h"

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"
#include "common/UniqueFd.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

namespace kvd {

namespace {

// One read() asks for at most this many bytes, so that progress is reported now and then.
constexpr std::size_t ChunkSize = std::size_t(8) << 20;
// Room beyond the size seen at open, so that the read that finds the end needs no growth.
constexpr std::size_t EndProbe = std::size_t(64) << 10;
// The first room of an input whose size is not known beforehand (a pipe).
constexpr std::size_t FirstPipeRoom = std::size_t(1) << 20;

std::size_t pageSize() noexcept
{
    static const auto size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t roundUpToPage(std::size_t size) noexcept
{
    const std::size_t page = pageSize();
    return (size + page - 1) / page * page;
}

int openForReading(const std::string& path, bool nonBlocking) noexcept
{
    const int flags = O_RDONLY | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0);
    return retryOnInterrupt([&] { return ::open(path.c_str(), flags); });
}

// Bytes read into buffer, 0 at the end of the file; throws IoError on failure.
std::size_t readSome(int descriptor, char* buffer, std::size_t size, const std::string& path)
{
    const ssize_t count = retryOnInterrupt([&] { return ::read(descriptor, buffer, size); });
    if (count < 0)
        throw ioError(errno, path);
    return static_cast<std::size_t>(count);
}

const char* fileTypeName(mode_t mode) noexcept
{
    if (S_ISFIFO(mode))
        return "a named pipe (FIFO)";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISDIR(mode))
        return "a folder";
    return "not a regular file";
}

Error notRegularFileError(const std::string& path, mode_t mode)
{
    return Error("The file " + path + " is " + fileTypeName(mode)
                 + ", not a regular file: only regular files can be opened.");
}

Error fileTooLargeError(const std::string& path, std::uint64_t size, std::uint64_t limit, bool atLeast)
{
    std::string text = "The file " + path + " is " + (atLeast ? "more than " : "") + std::to_string(size)
                       + " bytes long; a data file may hold at most " + std::to_string(limit) + " bytes";
    if (limit % (std::uint64_t(1) << 30) == 0)
        text += " (" + std::to_string(limit >> 30) + " GiB)";
    return Error(text + ".");
}

Error outOfMemoryError(const std::string& path, std::uint64_t size)
{
    return Error("Not enough memory to read the file " + path + " (" + std::to_string(size) + " bytes).");
}

} // namespace

FileBytes::FileBytes(std::string_view text)
{
    reserve(text.size());
    if (!text.empty())
        std::memcpy(m_data, text.data(), text.size());
    m_size = text.size();
}

FileBytes::FileBytes(FileBytes&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0))
{
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

FileBytes::~FileBytes() { release(); }

void FileBytes::release() noexcept
{
    if (m_data)
        ::munmap(m_data, m_capacity);
    m_data = nullptr;
    m_size = m_capacity = 0;
}

void FileBytes::reserve(std::size_t capacity)
{
    if (capacity <= m_capacity)
        return;
    const std::size_t mapped = roundUpToPage(capacity);
    void* address = m_data ? ::mremap(m_data, m_capacity, mapped, MREMAP_MAYMOVE)
                           : ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED)
        throw std::bad_alloc();
    m_data = static_cast<char*>(address);
    m_capacity = mapped;
}

FileBytes readFileBytes(const std::string& path, const FileReadOptions& options)
{
    const UniqueFd file(openForReading(path, options.regularFilesOnly));
    if (!file)
        throw ioError(errno, path);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        throw ioError(errno, path);
    const bool regular = S_ISREG(status.st_mode);
    if (options.regularFilesOnly && !regular)
        throw notRegularFileError(path, status.st_mode);
    const std::uint64_t limit = options.sizeLimit;
    const std::uint64_t statedSize = regular ? static_cast<std::uint64_t>(status.st_size) : 0;
    if (statedSize > limit)
        throw fileTooLargeError(path, statedSize, limit, false);
    // Reading stops one byte past the limit: that byte proves the input too long.
    const std::uint64_t mostHeld = limit + 1;

    FileBytes bytes;
    auto makeRoom = [&](std::uint64_t wanted) {
        const auto capacity = static_cast<std::size_t>(std::min(wanted, mostHeld));
        try {
            bytes.reserve(capacity);
        } catch (const std::bad_alloc&) {
            throw outOfMemoryError(path, regular ? statedSize : std::uint64_t(capacity));
        }
    };
    makeRoom(regular ? statedSize + EndProbe : FirstPipeRoom);
    for (;;) {
        if (bytes.size() == bytes.capacity()) {
            if (bytes.size() >= mostHeld)
                throw fileTooLargeError(path, limit, limit, true);
            // A pipe or a growing file: room doubles, without copying the bytes held.
            makeRoom(std::max<std::uint64_t>(2 * std::uint64_t(bytes.capacity()), FirstPipeRoom));
        }
        const std::size_t room = std::min(ChunkSize, bytes.capacity() - bytes.size());
        const std::size_t count = readSome(file.get(), bytes.spare(), room, path);
        if (count == 0)
            break;
        bytes.grow(count);
        if (bytes.size() > limit)
            throw fileTooLargeError(path, limit, limit, true);
        if (options.progress)
            options.progress(bytes.size(), std::max<std::uint64_t>(bytes.size(), statedSize));
    }
    return bytes;
}

} // namespace kvd
