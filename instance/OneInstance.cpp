#include "instance/OneInstance.h"

#include "instance/CommandLineBlock.h"
#include "instance/HandOffClient.h"
#include "instance/InstanceNames.h"
#include "instance/ProcessCommandLine.h"
#include "instance/RuntimeDir.h"
#include "instance/TransferBlocks.h"

#include <QPointer>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace kvd {

namespace {

// Components alive in this process; there may be one.
int componentCount = 0;

// A form is a widget that is a window of its own. The core library sees widgets only
// as QObjects, and of a window only that it has no parent widget.
bool isForm(const QObject* owner)
{
    return owner != nullptr && owner->isWidgetType() && owner->parent() == nullptr;
}

[[noreturn]] void endLaterStart()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace

TOneInstance::CountedComponent::~CountedComponent()
{
    --componentCount;
}

QObject* TOneInstance::admit(QObject* owner)
{
    ++componentCount;
    if (!isForm(owner)) {
        --componentCount;
        throw OneInstanceError("AOwner must be TForm or descendant");
    }
    if (componentCount > 1) {
        --componentCount;
        throw OneInstanceError("Only one copy of TOneInstance can be used on one application");
    }
    return owner;
}

TOneInstance::TOneInstance(QObject* AOwner, std::uint32_t msgTransportTimeout)
    : QObject(admit(AOwner)), m_msgTransportTimeout(msgTransportTimeout)
{
    startUpCheck();
}

TOneInstance::~TOneInstance()
{
    m_instanceBlock.reset();
    delete m_server;
    m_server = nullptr;
}

QString TOneInstance::About() const
{
    return QStringLiteral("TOneInstance lets one start of a program run per program file and user; "
                          "later starts hand their command line over to it or end at once.");
}

std::int8_t TOneInstance::MaxNewInstances() const noexcept
{
    return m_instanceBlock ? m_instanceBlock->limit() : m_maxNewInstances;
}

void TOneInstance::setMaxNewInstances(std::int8_t value) noexcept
{
    m_maxNewInstances = value;
    if (m_instanceBlock)
        m_instanceBlock->setLimit(value);
}

void TOneInstance::startUpCheck()
{
    m_instanceBlockName = kvd::instanceBlockName(programFileSize());
    m_runtimeDir = privateRuntimeDir();
    try {
        if (m_runtimeDir.empty())
            throw Error("no private folder of this user to meet other starts in");
        InstanceBlock block = InstanceBlock::claim(m_runtimeDir + "/" + m_instanceBlockName.toStdString(),
                                                   m_maxNewInstances,
                                                   [this](std::uint32_t left) { return openEndpoint(left); });
        if (block.role() == InstanceBlock::Role::LaterStart)
            runAsLaterStart(block);
        m_instanceBlock.emplace(std::move(block));
    } catch (const std::exception& error) {
        delete m_server;
        m_server = nullptr;
        qWarning("Running without the single-instance guard: %s", error.what());
    }
}

std::uint32_t TOneInstance::openEndpoint(std::uint32_t leftBehindEndpoint)
{
    if (leftBehindEndpoint != 0) {
        if (const auto path = endpointPath(m_runtimeDir, m_instanceBlockName, leftBehindEndpoint))
            unlink(path->c_str());
    }
    const auto number = static_cast<std::uint32_t>(getpid());
    const auto path = endpointPath(m_runtimeDir, m_instanceBlockName, number);
    if (!path)
        return 0;
    try {
        m_server = new HandOffServer(
            *path, [this](const HandOffMessage& message, const HandOffServer::Reply& reply) { handleMessage(message, reply); },
            this);
    } catch (const Error& error) {
        qWarning("Later starts cannot hand over their command line: %s", error.what());
        return 0;
    }
    return number;
}

void TOneInstance::runAsLaterStart(InstanceBlock& block)
{
    try {
        m_maxNewInstances = block.limit();
        if (block.enterHandOff()) {
            try {
                handOver(block);
            } catch (const std::exception& error) {
                qWarning("Command line not handed over: %s", error.what());
            }
            block.leaveHandOff();
        }
    } catch (const std::exception& error) {
        qWarning("%s", error.what());
    }
    endLaterStart();
}

void TOneInstance::handOver(InstanceBlock& block)
{
    const auto appHandle = static_cast<std::int32_t>(getpid());
    const OutgoingTransfer transfer(appHandle, joinCommandLine(processArguments()));
    const std::uint32_t endpoint = block.endpoint();
    if (endpoint == 0)
        return;
    if (const auto path = endpointPath(m_runtimeDir, m_instanceBlockName, endpoint)) {
        const auto handle = static_cast<std::uint32_t>(appHandle);
        sendHandOffMessage(*path, {HandOffMessageNumber, handle, HandOffMessageNumber}, m_msgTransportTimeout);
    }
}

void TOneInstance::handleMessage(const HandOffMessage& message, const HandOffServer::Reply& reply)
{
    if (message.message != HandOffMessageNumber || message.lParam != HandOffMessageNumber || !m_instanceBlock)
        return;
    receiveHandOff(message.wParam, reply);
}

void TOneInstance::receiveHandOff(std::uint32_t appHandle, const HandOffServer::Reply& reply)
{
    const QPointer<TOneInstance> self(this);
    try {
        IncomingTransfer transfer(static_cast<std::int32_t>(appHandle));
        reply(1);
        if (!transfer.isOpen())
            return;
        const auto block = transfer.mapCommandLineBlock();
        if (const TPOnNewInstanceLoad handler = m_onNewInstanceLoad) {
            const QString commandLine = readCommandLineBlock(block);
            handler(appHandle, reinterpret_cast<const char16_t*>(commandLine.utf16()));
        }
    } catch (const std::exception& error) {
        if (self)
            reportError(error);
    }
}

void TOneInstance::reportError(const std::exception& error)
{
    if (m_errorHandler)
        m_errorHandler(error);
    else
        qWarning("%s", error.what());
}

} // namespace kvd
