#pragma once

#include "common/Errors.h"

#include <string>

namespace kvd {

// An IoError for a failed system call on a named object: "<call> '<name>': <system
// text for errorCode>". errorCode is the errno value the call left.
IoError systemCallError(int errorCode, const std::string& call, const std::string& name);

} // namespace kvd
