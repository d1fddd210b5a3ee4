#include "instance/HandOffClient.h"

#include "common/RetryOnInterrupt.h"
#include "common/UniqueFd.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kvd {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Connects, waiting for room in the listener's queue until the deadline at most.
bool connectTo(int fd, const std::string& path, std::uint32_t timeoutMs)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (timeoutMs > 0) {
        timeval limit {};
        limit.tv_sec = static_cast<time_t>(timeoutMs / 1000);
        limit.tv_usec = static_cast<suseconds_t>((timeoutMs % 1000) * 1000);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    }
    return connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

bool peerIsSameUser(int fd)
{
    ucred peer {};
    socklen_t length = sizeof(peer);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == geteuid();
}

bool sendAll(int fd, const std::byte* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = retryOnInterrupt([&] { return send(fd, data, size, MSG_NOSIGNAL); });
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

std::optional<std::uint32_t> receiveReply(int fd, Clock::time_point deadline)
{
    std::array<std::byte, ReplyBytes> reply {};
    std::size_t received = 0;
    while (received < reply.size()) {
        pollfd wait {fd, POLLIN, 0};
        const int ready = retryOnInterrupt([&] { return poll(&wait, 1, millisecondsLeft(deadline)); });
        if (ready <= 0)
            return std::nullopt;
        const ssize_t count = retryOnInterrupt(
            [&] { return recv(fd, reply.data() + received, reply.size() - received, MSG_DONTWAIT); });
        if (count < 0 && errno == EAGAIN)
            continue;
        if (count <= 0)
            return std::nullopt;
        received += static_cast<std::size_t>(count);
    }
    return decodeReply(reply);
}

} // namespace

std::optional<std::uint32_t> sendHandOffMessage(const std::string& path, const HandOffMessage& message,
                                                std::uint32_t timeoutMs) noexcept
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int flags = SOCK_STREAM | SOCK_CLOEXEC | (timeoutMs == 0 ? SOCK_NONBLOCK : 0);
    UniqueFd fd(socket(AF_UNIX, flags, 0));
    if (!fd || !connectTo(fd.get(), path, timeoutMs) || !peerIsSameUser(fd.get()))
        return std::nullopt;
    const auto bytes = encodeMessage(message);
    if (!sendAll(fd.get(), bytes.data(), bytes.size()) || timeoutMs == 0)
        return std::nullopt;
    return receiveReply(fd.get(), deadline);
}

} // namespace kvd
