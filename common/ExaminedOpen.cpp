#include "common/ExaminedOpen.h"

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"

#include <fcntl.h>

#include <cerrno>

namespace kvd {

namespace {

int openPath(const std::string& path, int flags) noexcept
{
    return retryOnInterrupt([&] { return ::open(path.c_str(), flags); });
}

bool sameFile(const struct stat& a, const struct stat& b) noexcept
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

UniqueFd openExamined(const std::string& path, int flags, const std::function<void(const struct stat&)>& admit,
                      struct stat& status)
{
    const int followFlag = flags & O_NOFOLLOW;
    const UniqueFd examined(openPath(path, O_PATH | O_CLOEXEC | followFlag));
    if (!examined)
        throw ioError(errno, path);
    if (::fstat(examined.get(), &status) != 0)
        throw ioError(errno, path);
    admit(status);
    // The link in /proc is itself a symbolic link: O_NOFOLLOW must not reach it.
    const int readFlags = (flags & ~(O_NOFOLLOW | O_ACCMODE)) | O_RDONLY | O_NOCTTY | O_CLOEXEC;
    UniqueFd file(openPath("/proc/self/fd/" + std::to_string(examined.get()), readFlags));
    if (file)
        return file;
    if (errno != ENOENT)
        throw ioError(errno, path);
    file = UniqueFd(openPath(path, readFlags | followFlag)); // no /proc here
    if (!file)
        throw ioError(errno, path);
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0)
        throw ioError(errno, path);
    if (!sameFile(opened, status))
        throw Error("The file " + path + " was replaced while it was being opened.");
    return file;
}

} // namespace kvd
