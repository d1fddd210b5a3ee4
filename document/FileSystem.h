#pragma once

#include "common/UniqueFd.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kvd {

enum class FileType { Regular, Directory, SymbolicLink, Other };

struct FileStatus {
    FileType type = FileType::Other;
    mode_t permissions = 0; // the mode's permission bits, set-id and sticky bits included (07777)
    uid_t owner = 0;
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0; // bytes
};

struct DirectoryEntry {
    std::string name;
    FileType type = FileType::Other; // of the entry itself: a symbolic link is SymbolicLink
};

// An open file descriptor with the path it was opened by (for error texts).
// Move-only; the destructor closes it and ignores errors, so a descriptor whose close
// matters is handed to FileSystem::close().
class FileDescriptor {
public:
    FileDescriptor() noexcept = default;
    FileDescriptor(int fd, std::string path) noexcept : m_fd(fd), m_path(std::move(path)) {}

    bool isOpen() const noexcept { return bool(m_fd); }
    int get() const noexcept { return m_fd.get(); }
    const std::string& path() const noexcept { return m_path; }
    // Gives up ownership: the caller closes the returned descriptor.
    int release() noexcept { return m_fd.release(); }

private:
    UniqueFd m_fd;
    std::string m_path;
};

// The file-system calls the header save makes, behind a seam so that tests can make
// any one of them fail. Every failure throws kvd::IoError carrying errno and the path
// (its text is the system's French text, see ioError()). Calls interrupted by a
// signal (EINTR) are repeated.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // stat(2): follows symbolic links. No entry at path (ENOENT, ENOTDIR): nullopt.
    virtual std::optional<FileStatus> status(const std::string& path) = 0;
    // lstat(2): the entry itself. No entry at path (ENOENT, ENOTDIR): nullopt.
    virtual std::optional<FileStatus> linkStatus(const std::string& path) = 0;
    // readlink(2): the text of the symbolic link at path.
    virtual std::string readLink(const std::string& path) = 0;
    // Every entry of the directory except "." and "..", in no particular order.
    virtual std::vector<DirectoryEntry> listDirectory(const std::string& path) = 0;

    // open(2) with O_CLOEXEC and O_NOCTTY added; mode is used with O_CREAT and O_TMPFILE.
    virtual FileDescriptor open(const std::string& path, int flags, mode_t mode = 0) = 0;
    // fstat(2): the open file's status.
    virtual FileStatus fileStatus(const FileDescriptor& file) = 0;
    // pread(2): up to buffer.size() bytes from offset on; 0 at the end of the file.
    virtual std::size_t read(const FileDescriptor& file, std::span<char> buffer, std::uint64_t offset) = 0;
    // write(2) repeated until every byte is written.
    virtual void writeAll(const FileDescriptor& file, std::span<const char> bytes) = 0;
    // fsync(2).
    virtual void sync(const FileDescriptor& file) = 0;
    // fchmod(2): sets the permission bits exactly, whatever the umask.
    virtual void setPermissions(const FileDescriptor& file, mode_t permissions) = 0;
    // close(2), reporting its error (a write error may surface only here). The
    // descriptor is closed whatever happens.
    virtual void close(FileDescriptor file) = 0;

    // link(2): a second name for the file; fails with EEXIST when newPath exists.
    virtual void link(const std::string& oldPath, const std::string& newPath) = 0;
    // linkat(2) of an open file, an unnamed one made with O_TMPFILE among them: gives
    // it the name newPath; fails with EEXIST when newPath exists.
    virtual void linkOpenFile(const FileDescriptor& file, const std::string& newPath) = 0;
    // rename(2): replaces newPath when it names a file.
    virtual void rename(const std::string& oldPath, const std::string& newPath) = 0;
    // renameat2(2) with RENAME_NOREPLACE: fails with EEXIST when newPath exists, and
    // with EINVAL (or ENOSYS) where the file system (or kernel) cannot do it.
    virtual void renameNoReplace(const std::string& oldPath, const std::string& newPath) = 0;
    // unlink(2).
    virtual void remove(const std::string& path) = 0;
};

// The machine's file system.
class RealFileSystem final : public FileSystem {
public:
    std::optional<FileStatus> status(const std::string& path) override;
    std::optional<FileStatus> linkStatus(const std::string& path) override;
    std::string readLink(const std::string& path) override;
    std::vector<DirectoryEntry> listDirectory(const std::string& path) override;
    FileDescriptor open(const std::string& path, int flags, mode_t mode = 0) override;
    FileStatus fileStatus(const FileDescriptor& file) override;
    std::size_t read(const FileDescriptor& file, std::span<char> buffer, std::uint64_t offset) override;
    void writeAll(const FileDescriptor& file, std::span<const char> bytes) override;
    void sync(const FileDescriptor& file) override;
    void setPermissions(const FileDescriptor& file, mode_t permissions) override;
    void close(FileDescriptor file) override;
    void link(const std::string& oldPath, const std::string& newPath) override;
    void linkOpenFile(const FileDescriptor& file, const std::string& newPath) override;
    void rename(const std::string& oldPath, const std::string& newPath) override;
    void renameNoReplace(const std::string& oldPath, const std::string& newPath) override;
    void remove(const std::string& path) override;
};

} // namespace kvd
