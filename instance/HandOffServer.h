#pragma once

#include "instance/HandOffMessage.h"
#include "common/UniqueFd.h"

#include <QObject>

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
class HandOffServer : public QObject {
    Q_OBJECT

public:
    using Reply = std::function<void(std::uint32_t value)>;
    using Handler = std::function<void(const HandOffMessage& message, const Reply& reply)>;

    // Listens at `path`, replacing a socket left there. Throws IoError.
    HandOffServer(std::string path, Handler handler, QObject* parent = nullptr);
    // Stops listening and removes the socket.
    ~HandOffServer() override;

private:
    struct Connection;

    void acceptConnections();
    void readFrom(int fd);
    void dispatch(int fd, const HandOffMessage& message);
    void drop(int fd);

    std::string m_path;
    Handler m_handler;
    UniqueFd m_listener;
    QSocketNotifier* m_notifier = nullptr;
    std::map<int, std::unique_ptr<Connection>> m_connections;
};

} // namespace kvd
