#include "FaultyFileSystem.h"

#include "common/Errors.h"

#include <fcntl.h>

namespace kvd::test {

void FaultyFileSystem::enter(const std::string& operation, const std::string& path)
{
    log.push_back(operation + " " + path);
    if (beforeCall)
        beforeCall();
    if (const auto found = unsupported.find(operation); found != unsupported.end())
        throw ioError(found->second, path);
    if (failCalls.contains(int(log.size())))
        throw ioError(failError, path);
}

std::optional<FileStatus> FaultyFileSystem::status(const std::string& path)
{
    enter("status", path);
    return m_real.status(path);
}

std::optional<FileStatus> FaultyFileSystem::linkStatus(const std::string& path)
{
    enter("linkStatus", path);
    return m_real.linkStatus(path);
}

std::string FaultyFileSystem::readLink(const std::string& path)
{
    enter("readLink", path);
    return m_real.readLink(path);
}

std::vector<DirectoryEntry> FaultyFileSystem::listDirectory(const std::string& path)
{
    enter("listDirectory", path);
    return m_real.listDirectory(path);
}

FileDescriptor FaultyFileSystem::open(const std::string& path, int flags, mode_t mode)
{
    enter((flags & O_TMPFILE) == O_TMPFILE ? "openUnnamed" : "open", path);
    return m_real.open(path, flags, mode);
}

FileStatus FaultyFileSystem::fileStatus(const FileDescriptor& file)
{
    enter("fileStatus", file.path());
    return m_real.fileStatus(file);
}

std::size_t FaultyFileSystem::read(const FileDescriptor& file, std::span<char> buffer, std::uint64_t offset)
{
    enter("read", file.path());
    return m_real.read(file, buffer, offset);
}

void FaultyFileSystem::writeAll(const FileDescriptor& file, std::span<const char> bytes)
{
    enter("writeAll", file.path());
    m_real.writeAll(file, bytes);
}

void FaultyFileSystem::sync(const FileDescriptor& file)
{
    enter("sync", file.path());
    m_real.sync(file);
}

void FaultyFileSystem::setPermissions(const FileDescriptor& file, mode_t permissions)
{
    enter("setPermissions", file.path());
    m_real.setPermissions(file, permissions);
}

void FaultyFileSystem::close(FileDescriptor file)
{
    enter("close", file.path()); // on failure file is still closed, by its destructor
    m_real.close(std::move(file));
}

void FaultyFileSystem::link(const std::string& oldPath, const std::string& newPath)
{
    enter("link", oldPath);
    m_real.link(oldPath, newPath);
}

void FaultyFileSystem::linkOpenFile(const FileDescriptor& file, const std::string& newPath)
{
    enter("linkOpenFile", file.path());
    m_real.linkOpenFile(file, newPath);
}

void FaultyFileSystem::rename(const std::string& oldPath, const std::string& newPath)
{
    enter("rename", oldPath);
    m_real.rename(oldPath, newPath);
}

void FaultyFileSystem::renameNoReplace(const std::string& oldPath, const std::string& newPath)
{
    enter("renameNoReplace", oldPath);
    m_real.renameNoReplace(oldPath, newPath);
}

void FaultyFileSystem::remove(const std::string& path)
{
    enter("remove", path);
    m_real.remove(path);
}

} // namespace kvd::test
