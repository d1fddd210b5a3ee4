#include "instance/RuntimeDir.h"

#include "common/RetryOnInterrupt.h"
#include "common/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvd {

namespace {

// Candidate folders tried inside one parent before the guard gives up.
constexpr int FolderCandidates = 16;

// Opens path without following a link at its last step and checks what it is.
bool isPrivateDir(const std::string& path)
{
    const UniqueFd fd(retryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); }));
    struct stat info {};
    return fd && fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 077) == 0;
}

std::string parentDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return runtime;
    const std::string perUser = "/run/user/" + std::to_string(geteuid());
    if (isPrivateDir(perUser))
        return perUser;
    return "/tmp";
}

} // namespace

std::string privateFolderIn(const std::string& parent)
{
    const std::string stem = parent + "/TOneInstance-" + std::to_string(geteuid());
    for (int candidate = 0; candidate < FolderCandidates; ++candidate) {
        const std::string path = candidate == 0 ? stem : stem + "-" + std::to_string(candidate);
        if (::mkdir(path.c_str(), S_IRWXU) != 0 && errno != EEXIST)
            return {};
        if (isPrivateDir(path))
            return path;
    }
    return {};
}

std::string privateRuntimeDir()
{
    return privateFolderIn(parentDir());
}

} // namespace kvd
