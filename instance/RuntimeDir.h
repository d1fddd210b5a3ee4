#pragma once

#include <string>

namespace kvd {

// The folder where the starts of one user meet: their shared blocks and sockets live
// there, where no other user can create, replace or read a name. It lies inside
// $XDG_RUNTIME_DIR when that is an absolute path, else inside /run/user/<uid> when that
// is a private folder of the user, else inside /tmp.
//
// Returns the folder's path, or an empty text when none can be had. See
// privateFolderIn() for which folder inside that parent.
std::string privateRuntimeDir();

// The first of "TOneInstance-<uid>", "TOneInstance-<uid>-1" ... "TOneInstance-<uid>-15"
// inside parent that is, or can be created as (mode 0700), a real folder owned by the
// calling user and closed to others. A name that another user took in a shared parent
// such as /tmp (or that is a symbolic link, never followed) is passed over, so every
// start of the user walks to the same folder of the user's own. Empty when none is.
std::string privateFolderIn(const std::string& parent);

} // namespace kvd
