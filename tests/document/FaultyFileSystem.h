#pragma once

#include "document/FileSystem.h"

#include <cerrno>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kvd::test {

// The machine's file system with failures on demand: the calls numbered in failCalls
// (counting from 1) fail with failError, and every call of an operation listed in
// unsupported fails with its errno, as on a file system that lacks it (an open with
// O_TMPFILE counts as the operation "openUnnamed"). Each call is logged as
// "operation path" and first runs beforeCall, which lets a test look at the
// files between any two calls.
class FaultyFileSystem final : public FileSystem {
public:
    std::set<int> failCalls;
    int failError = EIO;
    std::map<std::string, int> unsupported;
    std::function<void()> beforeCall;
    std::vector<std::string> log;

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

private:
    // Counts and logs the call; throws the injected failure, if any.
    void enter(const std::string& operation, const std::string& path);

    RealFileSystem m_real;
};

} // namespace kvd::test
