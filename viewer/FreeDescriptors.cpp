#include "viewer/FreeDescriptors.h"

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"
#include "common/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>

#include <vector>

namespace kvd {

void requireFreeDescriptors(int needed)
{
    std::vector<UniqueFd> probes;
    probes.reserve(static_cast<std::size_t>(needed));
    while (static_cast<int>(probes.size()) < needed) {
        UniqueFd fd(retryOnInterrupt([] { return ::open("/dev/null", O_RDONLY | O_CLOEXEC | O_NOCTTY); }));
        if (!fd) {
            const int error = errno;
            probes.clear(); // what there is goes to the message
            throw ioError(error, "/dev/null");
        }
        probes.push_back(std::move(fd));
    }
}

} // namespace kvd
