#include "report/FileList.h"

#include "common/Errors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kvd {

namespace {

// The whole content of the open file `descriptor`.
std::string readAll(int descriptor, const std::string& name)
{
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw ioError(errno, name);
        if (count == 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

} // namespace

std::vector<std::string> splitFileList(std::string_view text, bool nulSeparated)
{
    const char separator = nulSeparated ? '\0' : '\n';
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            names.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::vector<std::string> readFileList(const std::string& listName, bool nulSeparated)
{
    if (listName == "-")
        return splitFileList(readAll(STDIN_FILENO, listName), nulSeparated);
    const int descriptor = ::open(listName.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw ioError(errno, listName);
    try {
        std::string text = readAll(descriptor, listName);
        ::close(descriptor);
        return splitFileList(text, nulSeparated);
    } catch (...) {
        ::close(descriptor);
        throw;
    }
}

} // namespace kvd
