#pragma once

#include <string>

namespace kvd {

// The folder where the starts of one user meet: "TOneInstance-<uid>" inside
// $XDG_RUNTIME_DIR when that is set to an absolute path, else inside /tmp. It is
// created with mode 0700 when missing.
//
// Returns the folder's path, or an empty text when it cannot be trusted: not a real
// folder (a symbolic link is refused, never followed), not owned by the calling user,
// or open to others. Nothing is then put into it or read from it.
std::string privateRuntimeDir();

} // namespace kvd
