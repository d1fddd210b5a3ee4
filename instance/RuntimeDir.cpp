#include "instance/RuntimeDir.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvd {

namespace {

std::string baseDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return runtime;
    return "/tmp";
}

// Opens path without following a link at its last step and checks what it is.
bool isPrivateDir(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    const bool ok = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid()
                    && (info.st_mode & 077) == 0;
    close(fd);
    return ok;
}

} // namespace

std::string privateRuntimeDir()
{
    const std::string path = baseDir() + "/TOneInstance-" + std::to_string(geteuid());
    if (mkdir(path.c_str(), S_IRWXU) != 0 && errno != EEXIST)
        return {};
    return isPrivateDir(path) ? path : std::string();
}

} // namespace kvd
