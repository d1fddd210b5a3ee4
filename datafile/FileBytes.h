#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kvd {

// The bytes of one data file, in memory of their own: anonymous pages that are
// written once by read() (never zero-filled first and copied) and that the reader may
// clean in place. Grows without copying. Move-only.
class FileBytes {
public:
    FileBytes() noexcept = default;
    // A copy of text, for tables built in memory.
    explicit FileBytes(std::string_view text);
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();

    char* data() noexcept { return m_data; }
    const char* data() const noexcept { return m_data; }
    std::size_t size() const noexcept { return m_size; }
    std::string_view view() const noexcept { return {m_data, m_size}; }

    // Makes room for at least `capacity` bytes, keeping those held. Throws
    // std::bad_alloc when the system refuses the memory.
    void reserve(std::size_t capacity);
    std::size_t capacity() const noexcept { return m_capacity; }
    // The bytes past size() up to capacity() are free for writing; grows size() over
    // `count` of them once they hold data.
    char* spare() noexcept { return m_data + m_size; }
    void grow(std::size_t count) noexcept { m_size += count; }

private:
    void release() noexcept;

    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0; // bytes mapped, a multiple of the page size
};

// Called after every chunk read, with the bytes read so far and the file's size
// (the bytes read, where the file turned out longer than its size said).
using FileReadProgress = std::function<void(std::uint64_t bytesRead, std::uint64_t fileSize)>;

struct FileReadOptions {
    // The viewer reads only regular files: a FIFO, socket or device is refused at once,
    // without waiting for a writer. kvdreport reads pipes and /dev/stdin to their end.
    bool regularFilesOnly = true;
    // More bytes than this are refused with a message naming the limit; reading stops
    // one byte past it, so no input, growing or endless, holds more memory.
    std::uint64_t sizeLimit = std::uint64_t(4) << 30;
    FileReadProgress progress; // optional
    // Regular files of at least this many bytes are read by two threads at once, each
    // copying one half (0: never).
    std::uint64_t twoThreadSize = std::uint64_t(16) << 20;
};

// The whole content of the file at path, read through one descriptor: the size seen
// when it was opened, plus what a growing file or a pipe adds, up to the limit.
// Interrupted calls are retried. Throws IoError (errno and path, worded by
// systemErrorText) when the file cannot be opened or read, Error when it is not a
// regular file but must be, or holds more than the limit, and Error "Not enough
// memory to read the file ..." when its bytes find no memory.
FileBytes readFileBytes(const std::string& path, const FileReadOptions& options);

} // namespace kvd
