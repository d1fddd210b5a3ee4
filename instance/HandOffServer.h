#pragma once

#include "instance/HandOffMessage.h"
#include "common/UniqueFd.h"

#include <QObject>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;

namespace kvd {

// The first start's message endpoint: a local stream socket in the private runtime
// folder, served in the event loop of the thread that creates the server, so that
// messages are handled there, also while a modal loop runs. Only processes of the same
// user are heard.
//
// Each connection carries one message and gets one answer: the handler may answer
// early through `reply` (the sender then goes on while the handler still works);
// otherwise the server answers 0 when the handler returns.
//
// A flood of connections cannot take the process's descriptors: at most
// MaxConnections are served at once, and one that has not delivered its message
// within the message deadline is closed. Over the cap, a connection is closed at once.
// When the process has run out of descriptors, waiting connections are closed with
// the help of a descriptor kept in reserve, so the listener never spins.
class HandOffServer : public QObject {
    Q_OBJECT

public:
    using Reply = std::function<void(std::uint32_t value)>;
    using Handler = std::function<void(const HandOffMessage& message, const Reply& reply)>;

    static constexpr std::size_t MaxConnections = 64;
    static constexpr std::chrono::milliseconds DefaultMessageDeadline{2000};

    // Listens at `path`, replacing a socket left there. Throws IoError.
    HandOffServer(std::string path, Handler handler, QObject* parent = nullptr,
                  std::chrono::milliseconds messageDeadline = DefaultMessageDeadline);
    // Stops listening and removes the socket.
    ~HandOffServer() override;

    // Connections accepted and not yet closed.
    std::size_t connectionCount() const noexcept { return m_connections.size(); }

private:
    struct Connection;
    using ConnectionId = std::uint64_t;

    void acceptConnections();
    bool shedWaitingConnection();
    void serve(UniqueFd fd);
    void readFrom(ConnectionId id);
    void dispatch(ConnectionId id, const HandOffMessage& message);
    void drop(ConnectionId id);

    std::string m_path;
    Handler m_handler;
    std::chrono::milliseconds m_messageDeadline;
    UniqueFd m_listener;
    UniqueFd m_reserve; // given up for a moment when the process has no descriptor left
    QSocketNotifier* m_notifier = nullptr;
    ConnectionId m_nextId = 0;
    std::map<ConnectionId, std::unique_ptr<Connection>> m_connections;
};

} // namespace kvd
