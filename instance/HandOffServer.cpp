#include "instance/HandOffServer.h"

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"

#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kvd {

struct HandOffServer::Connection {
    UniqueFd fd;
    QSocketNotifier* notifier = nullptr; // a child of the server
    std::array<std::byte, MessageBytes> buffer{};
    std::size_t received = 0;
    bool replied = false;
};

namespace {

bool peerIsSameUser(int fd)
{
    ucred peer {};
    socklen_t length = sizeof(peer);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == geteuid();
}

UniqueFd listenAt(const std::string& path)
{
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        throw systemCallError(errno, "socket", path);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        throw systemCallError(ENAMETOOLONG, "bind", path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    unlink(path.c_str()); // a socket left by a start that died with this number
    if (bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        throw systemCallError(errno, "bind", path);
    if (listen(fd.get(), SOMAXCONN) != 0) {
        const int error = errno;
        unlink(path.c_str());
        throw systemCallError(error, "listen", path);
    }
    return fd;
}

} // namespace

HandOffServer::HandOffServer(std::string path, Handler handler, QObject* parent)
    : QObject(parent), m_path(std::move(path)), m_handler(std::move(handler)), m_listener(listenAt(m_path))
{
    m_notifier = new QSocketNotifier(m_listener.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &HandOffServer::acceptConnections);
}

HandOffServer::~HandOffServer()
{
    for (auto& [fd, connection] : m_connections)
        delete connection->notifier;
    m_connections.clear();
    delete m_notifier;
    m_listener.reset();
    unlink(m_path.c_str());
}

void HandOffServer::acceptConnections()
{
    for (;;) {
        UniqueFd fd(retryOnInterrupt(
            [&] { return accept4(m_listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC); }));
        if (!fd) {
            if (errno == ECONNABORTED)
                continue;
            return; // EAGAIN: nobody else waiting; other errors: try at the next event
        }
        if (!peerIsSameUser(fd.get()))
            continue;
        const int key = fd.get();
        auto connection = std::make_unique<Connection>();
        connection->fd = std::move(fd);
        connection->notifier = new QSocketNotifier(key, QSocketNotifier::Read, this);
        connect(connection->notifier, &QSocketNotifier::activated, this, [this, key] { readFrom(key); });
        m_connections[key] = std::move(connection);
    }
}

void HandOffServer::readFrom(int fd)
{
    const auto found = m_connections.find(fd);
    if (found == m_connections.end())
        return;
    Connection& connection = *found->second;
    const ssize_t count = retryOnInterrupt([&] {
        return recv(fd, connection.buffer.data() + connection.received, connection.buffer.size() - connection.received, 0);
    });
    if (count < 0 && errno == EAGAIN)
        return;
    if (count <= 0) {
        drop(fd); // the sender left before its message was complete
        return;
    }
    connection.received += static_cast<std::size_t>(count);
    if (connection.received < connection.buffer.size())
        return;
    connection.notifier->setEnabled(false);
    dispatch(fd, decodeMessage(connection.buffer));
}

void HandOffServer::dispatch(int fd, const HandOffMessage& message)
{
    const QPointer<HandOffServer> self(this);
    const Reply reply = [self, fd](std::uint32_t value) {
        if (!self)
            return;
        const auto found = self->m_connections.find(fd);
        if (found == self->m_connections.end() || found->second->replied)
            return;
        const auto bytes = encodeReply(value);
        send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        found->second->replied = true;
    };
    m_handler(message, reply);
    if (!self)
        return;
    reply(0);
    drop(fd);
}

void HandOffServer::drop(int fd)
{
    const auto found = m_connections.find(fd);
    if (found == m_connections.end())
        return;
    found->second->notifier->setEnabled(false);
    found->second->notifier->deleteLater();
    m_connections.erase(found);
}

} // namespace kvd
