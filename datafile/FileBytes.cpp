#include "datafile/FileBytes.h"

#include "common/Errors.h"
#include "common/ExaminedOpen.h"
#include "common/RetryOnInterrupt.h"
#include "common/UniqueFd.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
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

// Reads [offset, offset + size) into buffer with pread, to the end of the range or of
// the file, calling afterRead(bytes read so far) after each call. The bytes read;
// `error` is the errno of a failed call, 0 otherwise.
template <class AfterRead>
std::size_t readRange(int descriptor, char* buffer, std::size_t size, std::uint64_t offset, int& error,
                      AfterRead&& afterRead)
{
    std::size_t done = 0;
    error = 0;
    while (done < size) {
        const std::size_t ask = std::min(ChunkSize, size - done);
        const ssize_t count = retryOnInterrupt(
            [&] { return ::pread(descriptor, buffer + done, ask, static_cast<off_t>(offset + done)); });
        if (count < 0) {
            error = errno;
            break;
        }
        if (count == 0)
            break;
        done += static_cast<std::size_t>(count);
        afterRead(done);
    }
    return done;
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

NotAFileError notRegularFileError(const std::string& path, mode_t mode)
{
    return NotAFileError("The file " + path + " is " + fileTypeName(mode)
                 + ", not a regular file: only regular files can be opened.");
}

// Folders and sockets hold no bytes to read; opening a socket fails with an error
// that would not say why.
bool isUnreadableType(mode_t mode) noexcept
{
    return S_ISDIR(mode) || S_ISSOCK(mode);
}

NotAFileError unreadableTypeError(const std::string& path, mode_t mode)
{
    return NotAFileError("The file " + path + " is " + fileTypeName(mode) + ": only files, pipes and devices can be read.");
}

// Throws when what path names is of a type that cannot be read under options.
void checkType(const std::string& path, mode_t mode, const FileReadOptions& options)
{
    if (options.regularFilesOnly && !S_ISREG(mode))
        throw notRegularFileError(path, mode);
    if (isUnreadableType(mode))
        throw unreadableTypeError(path, mode);
}

LimitError fileTooLargeError(const std::string& path, std::uint64_t size, std::uint64_t limit, bool atLeast)
{
    std::string text = "The file " + path + " is " + (atLeast ? "more than " : "") + std::to_string(size)
                       + " bytes long; a data file may hold at most " + std::to_string(limit) + " bytes";
    if (limit % (std::uint64_t(1) << 30) == 0)
        text += " (" + std::to_string(limit >> 30) + " GiB)";
    return LimitError(text + ".");
}

OutOfMemoryError outOfMemoryError(const std::string& path, std::uint64_t size)
{
    return OutOfMemoryError("Not enough memory to read the file " + path + " (" + std::to_string(size) + " bytes).");
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

namespace {

// Reads the first statedSize bytes of a regular file into bytes, its second half on a
// thread of its own beside this one: the kernel's copying and the faults of fresh pages
// then share two cores. Leaves the file's offset after them, for what a growing file
// adds. False when the file held fewer bytes (bytes then holds those read, in order);
// throws IoError when a read fails. Where no thread can start, this one reads both.
bool readHalvesAtOnce(int descriptor, FileBytes& bytes, std::uint64_t statedSize, const std::string& path,
                      const FileReadProgress& progress)
{
    const auto size = static_cast<std::size_t>(statedSize);
    const std::size_t half = size / 2;
    std::atomic<std::size_t> secondDone{0};
    std::size_t secondRead = 0;
    int secondError = 0;
    auto readSecondHalf = [&] {
        secondRead = readRange(descriptor, bytes.data() + half, size - half, half, secondError,
                               [&](std::size_t done) { secondDone.store(done, std::memory_order_relaxed); });
    };
    std::size_t firstRead = 0;
    int firstError = 0;
    {
        std::optional<std::jthread> second;
        try {
            second.emplace(readSecondHalf);
        } catch (const std::system_error&) {
        }
        firstRead = readRange(descriptor, bytes.data(), half, 0, firstError, [&](std::size_t done) {
            if (progress)
                progress(done + secondDone.load(std::memory_order_relaxed), statedSize);
        });
        if (!second)
            readSecondHalf();
    }
    if (firstError != 0)
        throw ioError(firstError, path);
    if (secondError != 0)
        throw ioError(secondError, path);
    if (firstRead < half) {
        bytes.grow(firstRead);
        return false;
    }
    bytes.grow(half + secondRead);
    if (secondRead < size - half)
        return false;
    if (progress)
        progress(statedSize, statedSize);
    if (::lseek(descriptor, static_cast<off_t>(statedSize), SEEK_SET) < 0)
        throw ioError(errno, path);
    return true;
}

} // namespace

FileBytes readFileBytes(const std::string& path, const FileReadOptions& options)
{
    // What cannot be read under the options is refused before it is opened for reading.
    struct stat status {};
    const UniqueFd file = openExamined(path, options.regularFilesOnly ? O_NONBLOCK : 0, [&](const struct stat& examined) {
        checkType(path, examined.st_mode, options);
    }, status);
    const bool regular = S_ISREG(status.st_mode);
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
    if (regular && options.twoThreadSize > 0 && statedSize >= options.twoThreadSize
        && !readHalvesAtOnce(file.get(), bytes, statedSize, path, options.progress))
        return bytes; // the file ended early: it shrank while it was read
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
