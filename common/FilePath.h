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
// followed). False for an empty path, a path holding a NUL byte, and when the entry
// cannot be examined.
bool isExistingFile(const std::string& path);

// Throws Error when path holds a NUL byte: the system would take it for the end of
// the name, and so reach another file, named by the bytes before it. The text shows
// the byte as "\0".
void refuseNulByte(const std::string& path);

} // namespace kvd
