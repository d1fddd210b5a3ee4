#include "document/FileSystem.h"

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>

namespace kvd {

namespace {

[[noreturn]] void throwLastError(const std::string& path)
{
    throw ioError(errno, path);
}

FileType typeOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return FileType::Regular;
    if (S_ISDIR(mode))
        return FileType::Directory;
    if (S_ISLNK(mode))
        return FileType::SymbolicLink;
    return FileType::Other;
}

FileStatus statusOf(const struct stat& info)
{
    return FileStatus{typeOfMode(info.st_mode), mode_t(info.st_mode & 07777), info.st_uid, info.st_dev, info.st_ino,
                      static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0))};
}

template <typename StatCall>
std::optional<FileStatus> statusBy(StatCall statCall, const std::string& path)
{
    struct stat info {};
    if (retryOnInterrupt([&] { return statCall(path.c_str(), &info); }) == 0)
        return statusOf(info);
    if (errno == ENOENT || errno == ENOTDIR)
        return std::nullopt;
    throwLastError(path);
}

FileType typeOfEntry(const std::string& directory, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_REG:
        return FileType::Regular;
    case DT_DIR:
        return FileType::Directory;
    case DT_LNK:
        return FileType::SymbolicLink;
    case DT_UNKNOWN:
        break; // some file systems do not fill d_type
    default:
        return FileType::Other;
    }
    struct stat info {};
    const std::string path = directory + "/" + entry.d_name;
    if (retryOnInterrupt([&] { return ::lstat(path.c_str(), &info); }) != 0)
        throwLastError(path);
    return typeOfMode(info.st_mode);
}

struct DirectoryCloser {
    void operator()(DIR* directory) const noexcept { ::closedir(directory); }
};

} // namespace

std::optional<FileStatus> RealFileSystem::status(const std::string& path)
{
    return statusBy([](const char* name, struct stat* info) { return ::stat(name, info); }, path);
}

std::optional<FileStatus> RealFileSystem::linkStatus(const std::string& path)
{
    return statusBy([](const char* name, struct stat* info) { return ::lstat(name, info); }, path);
}

std::string RealFileSystem::readLink(const std::string& path)
{
    std::string target(256, '\0');
    for (;;) {
        const ssize_t count = retryOnInterrupt([&] { return ::readlink(path.c_str(), target.data(), target.size()); });
        if (count < 0)
            throwLastError(path);
        if (std::size_t(count) < target.size()) {
            target.resize(std::size_t(count));
            return target;
        }
        target.resize(target.size() * 2); // perhaps cut short: read again with more room
    }
}

std::vector<DirectoryEntry> RealFileSystem::listDirectory(const std::string& path)
{
    std::unique_ptr<DIR, DirectoryCloser> directory(::opendir(path.c_str()));
    if (!directory)
        throwLastError(path);
    std::vector<DirectoryEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory.get());
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back({name, typeOfEntry(path, *entry)});
    }
    if (errno != 0)
        throwLastError(path);
    return entries;
}

FileDescriptor RealFileSystem::open(const std::string& path, int flags, mode_t mode)
{
    const int fd = retryOnInterrupt([&] { return ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode); });
    if (fd < 0)
        throwLastError(path);
    return FileDescriptor(fd, path);
}

FileStatus RealFileSystem::fileStatus(const FileDescriptor& file)
{
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        throwLastError(file.path());
    return statusOf(info);
}

std::size_t RealFileSystem::read(const FileDescriptor& file, std::span<char> buffer, std::uint64_t offset)
{
    const ssize_t count = retryOnInterrupt(
        [&] { return ::pread(file.get(), buffer.data(), buffer.size(), static_cast<off_t>(offset)); });
    if (count < 0)
        throwLastError(file.path());
    return std::size_t(count);
}

void RealFileSystem::writeAll(const FileDescriptor& file, std::span<const char> bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = retryOnInterrupt([&] { return ::write(file.get(), bytes.data(), bytes.size()); });
        if (count < 0)
            throwLastError(file.path());
        bytes = bytes.subspan(std::size_t(count));
    }
}

void RealFileSystem::sync(const FileDescriptor& file)
{
    if (retryOnInterrupt([&] { return ::fsync(file.get()); }) != 0)
        throwLastError(file.path());
}

void RealFileSystem::setPermissions(const FileDescriptor& file, mode_t permissions)
{
    if (retryOnInterrupt([&] { return ::fchmod(file.get(), permissions); }) != 0)
        throwLastError(file.path());
}

void RealFileSystem::close(FileDescriptor file)
{
    const std::string path = file.path();
    // Never retried: the descriptor is gone even when close reports EINTR.
    if (::close(file.release()) != 0 && errno != EINTR)
        throwLastError(path);
}

void RealFileSystem::link(const std::string& oldPath, const std::string& newPath)
{
    if (retryOnInterrupt([&] { return ::link(oldPath.c_str(), newPath.c_str()); }) != 0)
        throwLastError(errno == EEXIST ? newPath : oldPath);
}

void RealFileSystem::linkOpenFile(const FileDescriptor& file, const std::string& newPath)
{
    // The descriptor's entry in /proc names the file even when it has no name; linkat
    // with AT_EMPTY_PATH would need a capability that users lack.
    const std::string self = "/proc/self/fd/" + std::to_string(file.get());
    if (retryOnInterrupt([&] {
            return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, newPath.c_str(), AT_SYMLINK_FOLLOW);
        }) != 0)
        throwLastError(errno == EEXIST ? newPath : file.path());
}

void RealFileSystem::rename(const std::string& oldPath, const std::string& newPath)
{
    if (retryOnInterrupt([&] { return ::rename(oldPath.c_str(), newPath.c_str()); }) != 0)
        throwLastError(errno == EEXIST || errno == EISDIR || errno == ENOTEMPTY ? newPath : oldPath);
}

void RealFileSystem::renameNoReplace(const std::string& oldPath, const std::string& newPath)
{
    if (retryOnInterrupt([&] {
            return ::renameat2(AT_FDCWD, oldPath.c_str(), AT_FDCWD, newPath.c_str(), RENAME_NOREPLACE);
        }) != 0)
        throwLastError(errno == EEXIST ? newPath : oldPath);
}

void RealFileSystem::remove(const std::string& path)
{
    if (retryOnInterrupt([&] { return ::unlink(path.c_str()); }) != 0)
        throwLastError(path);
}

} // namespace kvd
