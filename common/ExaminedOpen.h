#pragma once

#include "common/UniqueFd.h"

#include <sys/stat.h>

#include <functional>
#include <string>

namespace kvd {

// Opens the file at path for reading only once it is known what it is. The file is
// first reached through a descriptor that cannot read (O_PATH): that open runs no
// device's code and never waits, where an open for reading of a device may have side
// effects and one of a FIFO may wait for a writer. `admit` is given the file's status
// and throws to refuse it; nothing has then been opened for reading. The open for
// reading goes through that descriptor (/proc/self/fd), so it reaches the very file
// admitted; where /proc is missing, the path is opened again, and the file it then
// leads to must have the admitted one's device and inode.
//
// Symbolic links are followed, unless flags hold O_NOFOLLOW: a final link is then
// itself the file admit is shown. O_RDONLY, O_NOCTTY and O_CLOEXEC are always added.
// Interrupted calls are retried. Throws IoError (errno and path) when a call fails,
// and Error when the path led to another file at the second open. `status` receives
// the status of the file opened.
UniqueFd openExamined(const std::string& path, int flags, const std::function<void(const struct stat&)>& admit,
                      struct stat& status);

} // namespace kvd
