#pragma once

#include <cerrno>

namespace kvd {

// Runs a system call until it is not interrupted by a signal: repeats it while it
// returns -1 with errno EINTR, and returns its last result (errno as it left it).
// Not for close(2), whose descriptor is gone even when it reports EINTR.
template <typename Call>
auto retryOnInterrupt(Call call)
{
    for (;;) {
        const auto result = call();
        if (result != -1 || errno != EINTR)
            return result;
    }
}

} // namespace kvd
