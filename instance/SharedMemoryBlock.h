#pragma once

#include "common/UniqueFd.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace kvd {

// A block of memory shared between processes of the calling user: a file in the
// user's private runtime folder (on a memory file system where there is one), open
// for reading and writing, with at most one mapping of its first bytes. Move-only; the
// destructor unmaps and closes but never removes the name (unlink() does).
//
// Blocks are created with mode 0600, and their memory is reserved when they are
// sized and again before they are mapped, so that a full file system refuses the
// block instead of killing the process at its first touch of the mapping (a block
// whose reservation failed, or one left sparse by a start killed while it sized it). A block found under a name that belongs to another user, that
// others may read or write, or that is not a plain file is refused (IoError EACCES), so
// a name taken by someone else can neither feed nor read our data.
class SharedMemoryBlock {
public:
    // Creates the block at `path` holding `size` zero bytes. Throws IoError, with
    // EEXIST when the name is taken.
    static SharedMemoryBlock createExclusive(const std::string& path, std::size_t size);

    // Opens the block at `path`, creating it empty when there is none. Throws IoError.
    static SharedMemoryBlock openOrCreate(const std::string& path);

    // Opens the block at `path`; nothing when there is no such block. Throws IoError for
    // every other failure.
    static std::optional<SharedMemoryBlock> open(const std::string& path);

    SharedMemoryBlock(SharedMemoryBlock&& other) noexcept;
    SharedMemoryBlock& operator=(SharedMemoryBlock&& other) noexcept;
    SharedMemoryBlock(const SharedMemoryBlock&) = delete;
    SharedMemoryBlock& operator=(const SharedMemoryBlock&) = delete;
    ~SharedMemoryBlock();

    const std::string& name() const noexcept { return m_name; }
    int fd() const noexcept { return m_fd.get(); }

    // The current size of the block in bytes. Throws IoError.
    std::size_t size() const;
    // Sets the size and reserves the memory; new bytes read as zeros. Throws IoError
    // (ENOSPC when the file system is full); the block may then be sparse, and its
    // creator removes it.
    void resize(std::size_t size);
    // False once the name has been removed, by this process or another.
    bool isLinked() const;

    // Maps the first `bytes` bytes for reading and writing, replacing an earlier
    // mapping, once their memory is reserved. Throws Error when the block is smaller
    // (reading past its end would kill the process) or empty, IoError when the memory
    // cannot be reserved (ENOSPC) or the mapping fails.
    std::span<std::byte> map(std::size_t bytes);
    void unmap() noexcept;
    // The mapped bytes; empty when nothing is mapped.
    std::span<std::byte> view() const noexcept { return m_view; }

    // Removes the name; the block lives on while someone holds it open.
    void unlink() noexcept;

private:
    SharedMemoryBlock(int fd, std::string name) noexcept;
    static SharedMemoryBlock adoptChecked(int fd, const std::string& name);
    void reserve(std::size_t bytes);

    UniqueFd m_fd;
    std::string m_name;
    std::span<std::byte> m_view;
};

} // namespace kvd
