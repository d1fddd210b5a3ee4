#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvd {

// The file names held in `text`: one a line, or, when `nulSeparated`, one before each
// NUL byte (as find -print0 writes them). The last name needs no separator after it.
// Names are bytes, kept exactly (a line's CR included); empty names are skipped.
std::vector<std::string> splitFileList(std::string_view text, bool nulSeparated);

// The file names listed in the file `listName` ("-": standard input), split as above.
// Throws IoError when the list cannot be read.
std::vector<std::string> readFileList(const std::string& listName, bool nulSeparated);

} // namespace kvd
