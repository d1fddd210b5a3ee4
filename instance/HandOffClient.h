#pragma once

#include "instance/HandOffMessage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kvd {

// Sends `message` to the endpoint listening at `path` and waits for its answer, at
// most `timeoutMs` milliseconds in all (0: send without waiting). Returns the answer,
// or nothing when nobody listens there, the listener belongs to another user, or the
// time ran out. Never throws.
std::optional<std::uint32_t> sendHandOffMessage(const std::string& path, const HandOffMessage& message,
                                                std::uint32_t timeoutMs) noexcept;

} // namespace kvd
