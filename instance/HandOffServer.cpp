#include "instance/HandOffServer.h"

#include "common/Errors.h"
#include "common/RetryOnInterrupt.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kvd {

struct HandOffServer::Connection {
    UniqueFd fd;
    QSocketNotifier* notifier = nullptr; // children of the server
    QTimer* deadline = nullptr;
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

UniqueFd openReserve() noexcept
{
    return UniqueFd(retryOnInterrupt([] { return ::open("/dev/null", O_RDONLY | O_CLOEXEC | O_NOCTTY); }));
}

UniqueFd acceptFrom(int listener) noexcept
{
    return UniqueFd(retryOnInterrupt([&] { return accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC); }));
}

} // namespace

HandOffServer::HandOffServer(std::string path, Handler handler, QObject* parent,
                             std::chrono::milliseconds messageDeadline)
    : QObject(parent),
      m_path(std::move(path)),
      m_handler(std::move(handler)),
      m_messageDeadline(messageDeadline),
      m_listener(listenAt(m_path)),
      m_reserve(openReserve())
{
    m_notifier = new QSocketNotifier(m_listener.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &HandOffServer::acceptConnections);
}

HandOffServer::~HandOffServer()
{
    for (auto& [id, connection] : m_connections) {
        delete connection->notifier;
        delete connection->deadline;
    }
    m_connections.clear();
    delete m_notifier;
    m_listener.reset();
    unlink(m_path.c_str());
}

void HandOffServer::acceptConnections()
{
    for (;;) {
        UniqueFd fd = acceptFrom(m_listener.get());
        if (!fd) {
            if (errno == ECONNABORTED)
                continue;
            if ((errno == EMFILE || errno == ENFILE) && shedWaitingConnection())
                continue;
            return; // EAGAIN: nobody else waiting; other errors: try at the next event
        }
        // Over the cap, and from another user, the connection is closed at once.
        if (m_connections.size() < MaxConnections && peerIsSameUser(fd.get()))
            serve(std::move(fd));
    }
}

// Out of descriptors, a waiting connection would keep the listener readable and the
// event loop spinning: the reserve makes room to take it and close it. False when
// there is no reserve either; listening then pauses for a while.
bool HandOffServer::shedWaitingConnection()
{
    if (!m_reserve)
        m_reserve = openReserve();
    if (!m_reserve) {
        m_notifier->setEnabled(false);
        QTimer::singleShot(1000, this, [this] { m_notifier->setEnabled(true); });
        return false;
    }
    m_reserve.reset();
    const bool shed = static_cast<bool>(acceptFrom(m_listener.get()));
    m_reserve = openReserve();
    return shed;
}

void HandOffServer::serve(UniqueFd fd)
{
    const ConnectionId id = m_nextId++;
    auto connection = std::make_unique<Connection>();
    connection->notifier = new QSocketNotifier(fd.get(), QSocketNotifier::Read, this);
    connection->fd = std::move(fd);
    connect(connection->notifier, &QSocketNotifier::activated, this, [this, id] { readFrom(id); });
    connection->deadline = new QTimer(this);
    connection->deadline->setSingleShot(true);
    connect(connection->deadline, &QTimer::timeout, this, [this, id] { drop(id); });
    connection->deadline->start(m_messageDeadline);
    m_connections[id] = std::move(connection);
}

void HandOffServer::readFrom(ConnectionId id)
{
    const auto found = m_connections.find(id);
    if (found == m_connections.end())
        return;
    Connection& connection = *found->second;
    const int fd = connection.fd.get();
    const ssize_t count = retryOnInterrupt([&] {
        return recv(fd, connection.buffer.data() + connection.received, connection.buffer.size() - connection.received, 0);
    });
    if (count < 0 && errno == EAGAIN)
        return;
    if (count <= 0) {
        drop(id); // the sender left before its message was complete
        return;
    }
    connection.received += static_cast<std::size_t>(count);
    if (connection.received < connection.buffer.size())
        return;
    connection.notifier->setEnabled(false);
    connection.deadline->stop();
    dispatch(id, decodeMessage(connection.buffer));
}

void HandOffServer::dispatch(ConnectionId id, const HandOffMessage& message)
{
    const QPointer<HandOffServer> self(this);
    const Reply reply = [self, id](std::uint32_t value) {
        if (!self)
            return;
        const auto found = self->m_connections.find(id);
        if (found == self->m_connections.end() || found->second->replied)
            return;
        const auto bytes = encodeReply(value);
        send(found->second->fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        found->second->replied = true;
    };
    m_handler(message, reply);
    if (!self)
        return;
    reply(0);
    drop(id);
}

void HandOffServer::drop(ConnectionId id)
{
    const auto found = m_connections.find(id);
    if (found == m_connections.end())
        return;
    found->second->notifier->setEnabled(false);
    found->second->notifier->deleteLater();
    found->second->deadline->stop();
    found->second->deadline->deleteLater();
    m_connections.erase(found);
}

} // namespace kvd
