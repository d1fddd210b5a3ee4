#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace kvd {

// A POSIX shared memory object of the calling user, open for reading and writing,
// with at most one mapping of its first bytes. Move-only; the destructor unmaps and
// closes but never removes the name (unlink() does).
//
// Objects are created with mode 0600. An object found under a name that belongs to
// another user, or that others may read or write, is refused (IoError EACCES), so a
// name taken by someone else can neither feed nor read our data.
class SharedMemoryBlock {
public:
    // Creates the object `name` ("/..." form) holding `size` zero bytes. Throws IoError,
    // with EEXIST when the name is taken.
    static SharedMemoryBlock createExclusive(const std::string& name, std::size_t size);

    // Opens the object `name`, creating it empty when there is none. Throws IoError.
    static SharedMemoryBlock openOrCreate(const std::string& name);

    // Opens the object `name`; nothing when there is no such object. Throws IoError for
    // every other failure.
    static std::optional<SharedMemoryBlock> open(const std::string& name);

    SharedMemoryBlock(SharedMemoryBlock&& other) noexcept;
    SharedMemoryBlock& operator=(SharedMemoryBlock&& other) noexcept;
    SharedMemoryBlock(const SharedMemoryBlock&) = delete;
    SharedMemoryBlock& operator=(const SharedMemoryBlock&) = delete;
    ~SharedMemoryBlock();

    const std::string& name() const noexcept { return m_name; }
    int fd() const noexcept { return m_fd; }

    // The current size of the object in bytes. Throws IoError.
    std::size_t size() const;
    // Sets the size; new bytes read as zeros. Throws IoError.
    void resize(std::size_t size);
    // False once the name has been removed, by this process or another.
    bool isLinked() const;

    // Maps the first `bytes` bytes for reading and writing, replacing an earlier
    // mapping. Throws Error when the object is smaller (reading past its end would
    // kill the process) or empty, IoError when the mapping fails.
    std::span<std::byte> map(std::size_t bytes);
    void unmap() noexcept;
    // The mapped bytes; empty when nothing is mapped.
    std::span<std::byte> view() const noexcept { return m_view; }

    // Removes the name; the object lives on while someone holds it open.
    void unlink() noexcept;

private:
    SharedMemoryBlock(int fd, std::string name) noexcept;
    static SharedMemoryBlock adoptChecked(int fd, const std::string& name);
    void close() noexcept;

    int m_fd = -1;
    std::string m_name;
    std::span<std::byte> m_view;
};

} // namespace kvd
