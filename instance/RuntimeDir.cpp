#include "instance/RuntimeDir.h"

#include "common/RetryOnInterrupt.h"
#include "common/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace kvd {

namespace {

// Candidate folders tried inside one parent before the next parent is tried.
constexpr int FolderCandidates = 16;

// Opens path without following a link at its last step and checks what it is.
bool isPrivateDir(const std::string& path)
{
    const UniqueFd fd(retryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY); }));
    struct stat info {};
    return fd && fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 077) == 0;
}

bool isAbsolute(const char* path)
{
    return path != nullptr && path[0] == '/';
}

std::string homeDir()
{
    if (const char* home = std::getenv("HOME"); isAbsolute(home))
        return home;
    const passwd* entry = getpwuid(geteuid());
    return entry != nullptr && isAbsolute(entry->pw_dir) ? entry->pw_dir : std::string();
}

// Creates the folders of path that are missing, each closed to others.
bool makeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), S_IRWXU) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

} // namespace

std::string userStateDir()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); isAbsolute(state))
        return state;
    const std::string home = homeDir();
    return home.empty() ? std::string() : home + "/.local/state";
}

std::vector<std::string> runtimeDirParents()
{
    std::vector<std::string> parents;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); isAbsolute(runtime))
        parents.emplace_back(runtime);
    const std::string perUser = "/run/user/" + std::to_string(geteuid());
    if (isPrivateDir(perUser))
        parents.push_back(perUser);
    if (const std::string state = userStateDir(); !state.empty() && makeFolders(state))
        parents.push_back(state);
    return parents;
}

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
    for (const std::string& parent : runtimeDirParents()) {
        if (std::string folder = privateFolderIn(parent); !folder.empty())
            return folder;
    }
    return {};
}

} // namespace kvd
