#include "InstanceTestSupport.h"

#include "instance/HandOffClient.h"
#include "instance/HandOffServer.h"
#include "instance/InstanceNames.h"
#include "instance/SharedMemoryBlock.h"
#include "instance/TransferBlocks.h"
#include "instance/CommandLineBlock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>

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

} // namespace
} // namespace kvd
