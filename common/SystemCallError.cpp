#include "common/SystemCallError.h"

#include <cstring>

namespace kvd {

IoError systemCallError(int errorCode, const std::string& call, const std::string& name)
{
    return IoError(errorCode, name, call + " '" + name + "': " + std::strerror(errorCode));
}

} // namespace kvd
