#pragma once

#include <string>

namespace kvd {

// A path cut at its last "/": the directory part (empty, or ending with "/") and the
// name after it. Paths are bytes, as the file system takes them.
struct PathParts {
    std::string directoryPrefix;
    std::string name;

    // The directory as a path of its own: "." for a bare name, "/" for the root.
    std::string directory() const;
};

PathParts splitPath(const std::string& path);

// True when path names an existing entry that is not a directory (symbolic links
// followed). False for an empty path and when the entry cannot be examined.
bool isExistingFile(const std::string& path);

} // namespace kvd
