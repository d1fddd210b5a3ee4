#include "common/FilePath.h"

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"

#include <sys/stat.h>

namespace kvd {

std::string PathParts::directory() const
{
    if (directoryPrefix.empty())
        return ".";
    return directoryPrefix.size() == 1 ? directoryPrefix : directoryPrefix.substr(0, directoryPrefix.size() - 1);
}

PathParts splitPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {{}, path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool isExistingFile(const std::string& path)
{
    struct stat status {};
    return !path.empty() && path.find('\0') == std::string::npos && retryOnInterrupt([&] { return ::stat(path.c_str(), &status); }) == 0 &&
           !S_ISDIR(status.st_mode);
}

void refuseNulByte(const std::string& path)
{
    const std::size_t nul = path.find('\0');
    if (nul == std::string::npos)
        return;
    std::string shown;
    for (const char byte : path)
        shown += byte == '\0' ? std::string("\\0") : std::string(1, byte);
    throw Error("The name \"" + shown + "\" holds a NUL byte, which no file name can hold: it names no file.");
}

} // namespace kvd
