#include "FewFreeDescriptors.h"
#include "InstanceTestSupport.h"

#include "common/UniqueFd.h"

#include "instance/HandOffClient.h"
#include "instance/HandOffServer.h"
#include "instance/InstanceNames.h"
#include "instance/SharedMemoryBlock.h"
#include "instance/TransferBlocks.h"
#include "instance/CommandLineBlock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace kvd {
namespace {

::testing::Environment* const RuntimeEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::PrivateRuntimeEnvironment);

std::optional<SharedMemoryBlock> openTransferBlock(const QString& name)
{
    return SharedMemoryBlock::open(sharedObjectPath(name));
}

TEST(OutgoingTransfer, writesTheSizeCellAndTheCommandLineBlock)
{
    std::optional<OutgoingTransfer> transfer(std::in_place, 72001, QStringLiteral("abcdefghij"));
    auto sizeCell = openTransferBlock(sizeCellName(72001));
    auto block = openTransferBlock(commandLineBlockName(72001));
    ASSERT_TRUE(sizeCell && block);
    EXPECT_EQ(sizeCell->size(), 4u);
    const auto size = sizeCell->map(4);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(size.data()), 4), QByteArray("\x0f\0\0\0", 4));
    ASSERT_EQ(block->size(), 15u);
    const auto content = block->map(15);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(content.data()), 15), QByteArray("\x0b\0\0\0abcdefghij\0", 15));

    transfer.reset();
    EXPECT_FALSE(openTransferBlock(sizeCellName(72001)));
    EXPECT_FALSE(openTransferBlock(commandLineBlockName(72001)));
}

TEST(IncomingTransfer, readsBlocksThatTheSenderHasClosedSinceItOpenedThem)
{
    std::optional<OutgoingTransfer> sent(std::in_place, 72002, QStringLiteral("kvdviewer Größe.kvd"));
    IncomingTransfer received(72002);
    ASSERT_TRUE(received.isOpen());
    sent.reset();
    EXPECT_EQ(readCommandLineBlock(received.mapCommandLineBlock()), "kvdviewer Größe.kvd");
}

TEST(IncomingTransfer, staysClosedWhenThereIsNothingToOpen)
{
    EXPECT_FALSE(IncomingTransfer(72003).isOpen());
}

TEST(OutgoingTransfer, replacesBlocksLeftByAStartThatDied)
{
    SharedMemoryBlock::createExclusive(sharedObjectPath(sizeCellName(72004)), 4);
    const OutgoingTransfer transfer(72004, QStringLiteral("kvdviewer"));
    IncomingTransfer received(72004);
    ASSERT_TRUE(received.isOpen());
    EXPECT_EQ(readCommandLineBlock(received.mapCommandLineBlock()), "kvdviewer");
}

UniqueFd socketFd()
{
    return UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
}

// Free functions, not members: the sanitizers' check of a member call needs a
// descriptor of its own, which the tests that use up the descriptors do not leave.
bool connectTo(const UniqueFd& fd, const std::string& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

// True when the server has closed its end (the next read finds the end).
bool closedByServer(const UniqueFd& fd)
{
    pollfd wait {fd.get(), POLLIN, 0};
    char byte = 0;
    return ::poll(&wait, 1, 0) == 1 && ::recv(fd.get(), &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 0;
}

class HandOffChannel : public ::testing::Test {
protected:
    void SetUp() override { test::ensureApplication(); }

    std::optional<std::uint32_t> sendAndServe(const HandOffMessage& message, std::uint32_t timeoutMs = 10000)
    {
        auto answer = std::async(std::launch::async, [&] { return sendHandOffMessage(m_path, message, timeoutMs); });
        test::processEventsUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        return answer.get();
    }

    QTemporaryDir m_dir;
    const std::string m_path = m_dir.filePath("endpoint").toStdString();
};

const HandOffServer::Handler AnswerOne = [](const HandOffMessage&, const HandOffServer::Reply& reply) { reply(1); };

TEST_F(HandOffChannel, deliversTheMessageAndTheEarlyAnswer)
{
    std::vector<HandOffMessage> received;
    HandOffServer server(m_path, [&](const HandOffMessage& message, const HandOffServer::Reply& reply) {
        received.push_back(message);
        reply(message.wParam == 1 ? 1 : 0);
        reply(99); // a second answer is not sent
    });
    EXPECT_EQ(sendAndServe({1125, 1, 0xfffffffe}), 1u);
    EXPECT_EQ(sendAndServe({7, 2, 3}), 0u);
    EXPECT_EQ(received, (std::vector<HandOffMessage>{{1125, 1, 0xfffffffe}, {7, 2, 3}}));
}

// On the wire too, the second answer is not sent, nor one given once the connection
// has gone.
TEST_F(HandOffChannel, sendsOneAnswerAndNoneOnceTheConnectionHasGone)
{
    HandOffServer::Reply kept;
    HandOffServer server(m_path, [&](const HandOffMessage&, const HandOffServer::Reply& reply) {
        reply(1);
        reply(99);
        kept = reply;
    });
    const UniqueFd client = socketFd();
    ASSERT_TRUE(connectTo(client, m_path));
    const auto message = encodeMessage({1125, 1, 1125});
    ASSERT_EQ(::send(client.get(), message.data(), message.size(), MSG_NOSIGNAL), 12);
    std::string received;
    EXPECT_TRUE(test::processEventsUntil([&] {
        char bytes[64];
        const ssize_t count = ::recv(client.get(), bytes, sizeof bytes, MSG_DONTWAIT);
        if (count > 0)
            received.append(bytes, static_cast<std::size_t>(count));
        return count == 0; // the server has closed its end
    }));
    EXPECT_EQ(received, std::string("\x01\0\0\0", 4));
    ASSERT_TRUE(kept);
    kept(5);
    EXPECT_EQ(server.connectionCount(), 0u);
}

TEST_F(HandOffChannel, answersZeroForAHandlerThatDoesNotAnswer)
{
    HandOffServer server(m_path, [](const HandOffMessage&, const HandOffServer::Reply&) {});
    EXPECT_EQ(sendAndServe({1125, 1, 1125}), 0u);
}

TEST_F(HandOffChannel, givesNoAnswerWhenNobodyListens)
{
    EXPECT_EQ(sendHandOffMessage(m_path, {1125, 1, 1125}, 60000), std::nullopt);
    { HandOffServer gone(m_path, [](const HandOffMessage&, const HandOffServer::Reply&) {}); }
    EXPECT_EQ(sendHandOffMessage(m_path, {1125, 1, 1125}, 60000), std::nullopt);
}

TEST_F(HandOffChannel, givesUpWhenTheListenerDoesNotAnswerInTime)
{
    bool handled = false;
    HandOffServer server(m_path, [&](const HandOffMessage&, const HandOffServer::Reply&) { handled = true; });
    EXPECT_EQ(sendHandOffMessage(m_path, {1125, 1, 1125}, 50), std::nullopt); // no event loop runs
    test::processEventsUntil([&] { return handled; });
    EXPECT_TRUE(handled); // the message waits for the listener, whose answer finds nobody
}

// A connection that keeps back part of its message past the deadline is closed, and
// the server goes on serving others.
TEST_F(HandOffChannel, closesAConnectionThatHoldsBackItsMessagePastTheDeadline)
{
    HandOffServer server(m_path, AnswerOne, nullptr, std::chrono::milliseconds(50));
    const UniqueFd slow = socketFd();
    ASSERT_TRUE(connectTo(slow, m_path));
    ASSERT_EQ(::send(slow.get(), "\x65\x04\0\0\x01", 5, MSG_NOSIGNAL), 5);
    EXPECT_TRUE(test::processEventsUntil([&] { return closedByServer(slow); }));
    EXPECT_EQ(server.connectionCount(), 0u);
    EXPECT_EQ(sendAndServe({1125, 1, 1125}), 1u);
}

// Beyond the cap, a connection is closed at once; those within it are still served.
TEST_F(HandOffChannel, closesConnectionsBeyondTheCapAtOnce)
{
    HandOffServer server(m_path, AnswerOne, nullptr, std::chrono::hours(1));
    constexpr std::size_t Beyond = 5;
    std::vector<UniqueFd> idle;
    for (std::size_t i = 0; i < HandOffServer::MaxConnections + Beyond; ++i) {
        idle.push_back(socketFd());
        ASSERT_TRUE(connectTo(idle.back(), m_path));
    }
    const auto closedCount = [&] {
        return std::count_if(idle.cbegin(), idle.cend(), [](const UniqueFd& fd) { return closedByServer(fd); });
    };
    EXPECT_TRUE(test::processEventsUntil([&] { return closedCount() == Beyond; }));
    EXPECT_EQ(server.connectionCount(), HandOffServer::MaxConnections);
    for (std::size_t i = 0; i < HandOffServer::MaxConnections; ++i)
        EXPECT_FALSE(closedByServer(idle[i])) << i;

    const auto message = encodeMessage({1125, 1, 1125});
    ASSERT_EQ(::send(idle.front().get(), message.data(), message.size(), MSG_NOSIGNAL), 12);
    std::array<std::byte, ReplyBytes> reply {};
    EXPECT_TRUE(test::processEventsUntil(
        [&] { return ::recv(idle.front().get(), reply.data(), reply.size(), MSG_DONTWAIT | MSG_PEEK) == 4; }));
    EXPECT_EQ(decodeReply(reply), 1u);
}

// Out of descriptors, a waiting connection cannot be taken: the server closes it with
// the help of its reserve instead of leaving it waiting and the listener ready for ever.
TEST_F(HandOffChannel, closesWaitingConnectionsWhenDescriptorsRunOut)
{
    if (test::SanitizersNeedDescriptors)
        GTEST_SKIP() << "uses up every descriptor, which the sanitizers need for their own checks";
    HandOffServer server(m_path, AnswerOne);
    const UniqueFd waiting = socketFd();
    const std::string path = m_path;
    {
        const test::FewFreeDescriptors none(0);
        ASSERT_TRUE(connectTo(waiting, path));
        EXPECT_TRUE(test::processEventsUntil([&] { return closedByServer(waiting); }));
    }
    EXPECT_EQ(sendAndServe({1125, 1, 1125}), 1u);
}

} // namespace
} // namespace kvd
