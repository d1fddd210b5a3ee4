#include "instance/ByteLock.h"

#include "common/Errors.h"

#include <cerrno>
#include <fcntl.h>

namespace kvd {

namespace {

struct flock byteRange(short type, long offset)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = offset;
    range.l_len = 1;
    range.l_pid = 0; // required for OFD locks
    return range;
}

int control(int fd, int command, short type, long offset)
{
    struct flock range = byteRange(type, offset);
    int result;
    do
        result = fcntl(fd, command, &range);
    while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

void ByteLock::lock(int fd, long offset, const std::string& name)
{
    if (control(fd, F_OFD_SETLKW, F_WRLCK, offset) != 0)
        throw systemCallError(errno, "lock", name);
}

bool ByteLock::tryLock(int fd, long offset, const std::string& name)
{
    if (control(fd, F_OFD_SETLK, F_WRLCK, offset) == 0)
        return true;
    if (errno == EAGAIN || errno == EACCES)
        return false;
    throw systemCallError(errno, "lock", name);
}

void ByteLock::unlock(int fd, long offset) noexcept
{
    control(fd, F_OFD_SETLK, F_UNLCK, offset);
}

} // namespace kvd
