#include "datafile/FileBytes.h"

#include "datafile/DataFileReader.h"
#include "common/Errors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace kvd {

namespace {

// One read() asks for at most this many bytes, so that progress is reported now and then.
constexpr std::size_t ChunkSize = std::size_t(8) << 20;
// A file whose size is not known beforehand (a pipe) is read this much at a time.
constexpr std::size_t ProbeSize = std::size_t(64) << 10;

// A file descriptor closed on scope exit.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) noexcept : m_descriptor(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    int get() const noexcept { return m_descriptor; }

private:
    int m_descriptor;
};

int openForReading(const std::string& path)
{
    for (;;) {
        const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor >= 0 || errno != EINTR)
            return descriptor;
    }
}

// Bytes read into buffer, 0 at the end of the file; throws IoError on failure.
std::size_t readSome(int descriptor, char* buffer, std::size_t size, const std::string& path)
{
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, size);
        if (count >= 0)
            return static_cast<std::size_t>(count);
        if (errno != EINTR)
            throw ioError(errno, path);
    }
}

Error fileTooLargeError(const std::string& path, std::uint64_t size, bool atLeast)
{
    return Error("The file " + path + " is " + (atLeast ? "more than " : "") + std::to_string(size)
                 + " bytes long; a data file may hold at most " + std::to_string(MaxDataFileSize) + " bytes ("
                 + std::to_string(MaxDataFileSize >> 30) + " GiB).");
}

} // namespace

std::string readFileBytes(const std::string& path, const FileReadProgress& progress)
{
    const FileDescriptor file(openForReading(path));
    if (file.get() < 0)
        throw ioError(errno, path);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        throw ioError(errno, path);
    const std::uint64_t statedSize = S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
    if (statedSize > MaxDataFileSize)
        throw fileTooLargeError(path, statedSize, false);

    std::string bytes;
    try {
        bytes.resize(static_cast<std::size_t>(statedSize));
    } catch (const std::bad_alloc&) {
        throw Error("Not enough memory to read the file " + path + " (" + std::to_string(statedSize) + " bytes).");
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t count = readSome(file.get(), bytes.data() + done, std::min(ChunkSize, bytes.size() - done), path);
        if (count == 0) { // the file shrank meanwhile
            bytes.resize(done);
            break;
        }
        done += count;
        if (progress)
            progress(done, statedSize);
    }
    // Whatever lies beyond the stated size: a pipe, or a file that grew meanwhile.
    char probe[ProbeSize];
    while (const std::size_t count = readSome(file.get(), probe, sizeof probe, path)) {
        if (bytes.size() + count > MaxDataFileSize)
            throw fileTooLargeError(path, MaxDataFileSize, true);
        bytes.append(probe, count);
        if (progress && bytes.size() % ChunkSize < count)
            progress(bytes.size(), std::max<std::uint64_t>(bytes.size(), statedSize));
    }
    return bytes;
}

} // namespace kvd
