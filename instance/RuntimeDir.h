#pragma once

#include <string>
#include <vector>

namespace kvd {

// The folder where the starts of one user meet: their shared blocks and sockets live
// there, where no other user can create, replace or read a name, nor fill the file
// system under it. It lies inside the first of runtimeDirParents() that holds one
// (see privateFolderIn()).
//
// Returns the folder's path, or an empty text when none can be had.
std::string privateRuntimeDir();

// Where the private folder is looked for, in this order: $XDG_RUNTIME_DIR when that is
// an absolute path; /run/user/<uid> when that is a private folder of the user;
// userStateDir(), created (closed to others) where it is missing. Never a folder that
// everyone may write into, such as /tmp, where another user could take every name
// first or fill the file system.
std::vector<std::string> runtimeDirParents();

// The user's folder for state kept between starts: $XDG_STATE_HOME when that is an
// absolute path, else ".local/state" in the home folder ($HOME, or the password
// entry's when $HOME is not an absolute path). Empty when there is no home folder.
std::string userStateDir();

// The first of "TOneInstance-<uid>", "TOneInstance-<uid>-1" ... "TOneInstance-<uid>-15"
// inside parent that is, or can be created as (mode 0700), a real folder owned by the
// calling user and closed to others. A name that is someone else's (or that is a
// symbolic link, never followed) is passed over, so every start of the user walks to
// the same folder of the user's own. Empty when none is.
std::string privateFolderIn(const std::string& parent);

} // namespace kvd
