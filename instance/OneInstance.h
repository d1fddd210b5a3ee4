#pragma once

#include "common/Errors.h"
#include "instance/HandOffServer.h"
#include "instance/InstanceBlock.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace kvd {

// Raised for each command line handed over to the first start, on its user-interface
// thread. NewAppHandle names the later start (its process id); NewCommandLineW is its
// whole command line, program path first, zero-terminated UTF-16, valid only during
// the call.
using TPOnNewInstanceLoad = std::function<void(std::uint32_t NewAppHandle, const char16_t* NewCommandLineW)>;

// Receives what went wrong while a hand-off was read; the first start goes on.
using OneInstanceErrorHandler = std::function<void(const std::exception& error)>;

// Refused creation: "AOwner must be TForm or descendant", "Only one copy of
// TOneInstance can be used on one application".
class OneInstanceError : public Error {
public:
    using Error::Error;
};

// Makes a program single-instance per program file and user. Placed on the main
// window while it is built: the first start publishes the instance block and a
// message endpoint; a later start of the same program file (the same executable size)
// ends inside this constructor with exit status 0, before it shows anything. While
// the first start's MaxNewInstances allows it, a later start first hands its command
// line over, and the first start raises OnNewInstanceLoad with it.
//
// A start that finds no usable shared memory (or private runtime folder) runs
// unguarded rather than not at all; it says so through qWarning().
class TOneInstance : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint32_t DefaultMsgTransportTimeout = 3000;

    // AOwner must be a form: a widget that is a window of its own (a widget without a
    // parent). At most one component per process. Both are checked before any shared
    // object is touched; OneInstanceError otherwise. msgTransportTimeout is the
    // MsgTransportTimeout a later start uses for its hand-off, which happens inside
    // this constructor.
    explicit TOneInstance(QObject* AOwner, std::uint32_t msgTransportTimeout = DefaultMsgTransportTimeout);
    // A first start removes the instance block and closes its message endpoint.
    ~TOneInstance() override;

    QString About() const;

    // Negative: no limit on later starts handing over at the same time. A first start
    // keeps it in the instance block, where every later start reads it.
    std::int8_t MaxNewInstances() const noexcept;
    void setMaxNewInstances(std::int8_t value) noexcept;

    // Milliseconds a later start waits for the first start's early answer.
    std::uint32_t MsgTransportTimeout() const noexcept { return m_msgTransportTimeout; }
    void setMsgTransportTimeout(std::uint32_t milliseconds) noexcept { m_msgTransportTimeout = milliseconds; }

    void setOnNewInstanceLoad(TPOnNewInstanceLoad handler) { m_onNewInstanceLoad = std::move(handler); }
    // Without a handler, errors go to qWarning().
    void setErrorHandler(OneInstanceErrorHandler handler) { m_errorHandler = std::move(handler); }

    // True in a first start that holds the instance block.
    bool isGuarding() const noexcept { return m_instanceBlock.has_value(); }
    // "TOneInstance::<program file size>".
    const QString& instanceBlockName() const noexcept { return m_instanceBlockName; }

private:
    // Lowers the process's component count when the component goes, also when its
    // constructor fails after the count was raised.
    struct CountedComponent {
        ~CountedComponent();
    };

    static QObject* admit(QObject* owner);
    void startUpCheck();
    std::uint32_t openEndpoint(std::uint32_t leftBehindEndpoint);
    [[noreturn]] void runAsLaterStart(InstanceBlock& block);
    void handOver(InstanceBlock& block);
    void handleMessage(const HandOffMessage& message, const HandOffServer::Reply& reply);
    void receiveHandOff(std::uint32_t appHandle, const HandOffServer::Reply& reply);
    void reportError(const std::exception& error);

    CountedComponent m_counted;
    std::int8_t m_maxNewInstances = 0; // the limit while no instance block is held
    std::uint32_t m_msgTransportTimeout;
    TPOnNewInstanceLoad m_onNewInstanceLoad;
    OneInstanceErrorHandler m_errorHandler;
    QString m_instanceBlockName;
    std::string m_runtimeDir;
    std::optional<InstanceBlock> m_instanceBlock;
    HandOffServer* m_server = nullptr; // a child; none in a later start or when unguarded
};

} // namespace kvd
