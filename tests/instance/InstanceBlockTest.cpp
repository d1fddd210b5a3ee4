#include "InstanceTestSupport.h"

#include "common/Errors.h"
#include "instance/ByteLock.h"
#include "instance/InstanceBlock.h"
#include "instance/InstanceNames.h"
#include "instance/RuntimeDir.h"
#include "instance/SharedMemoryBlock.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <cstring>
#include <thread>
#include <vector>

namespace kvd {
namespace {

// Each claim opens the block anew, and byte locks held by one opening keep out the
// others, so one process can stand for several starts.
class InstanceBlockClaim : public ::testing::Test {
protected:

    InstanceBlock claim(std::int8_t limit = 0, std::uint32_t endpoint = 1234,
                        std::chrono::milliseconds lockWait = InstanceBlock::DefaultLockWait)
    {
        return InstanceBlock::claim(
            m_name, limit,
            [&, endpoint](std::uint32_t left) {
                m_leftBehind.push_back(left);
                return endpoint;
            },
            lockWait);
    }

    const test::PrivateRuntimeDir m_runtimeDir;
    const std::string m_name = sharedObjectPath(QStringLiteral("InstanceBlockTest"));
    std::vector<std::uint32_t> m_leftBehind;
};

TEST_F(InstanceBlockClaim, makesTheFirstOpeningTheFirstStartAndTheNextOnesLaterStarts)
{
    const InstanceBlock first = claim(3, 0x01020304);
    EXPECT_EQ(first.role(), InstanceBlock::Role::FirstStart);
    EXPECT_EQ(m_leftBehind, std::vector<std::uint32_t>{0});
    const InstanceBlock later = claim();
    EXPECT_EQ(later.role(), InstanceBlock::Role::LaterStart);
    EXPECT_EQ(later.endpoint(), 0x01020304u);
    EXPECT_EQ(later.limit(), 3);
    EXPECT_EQ(m_leftBehind.size(), 1u);

    auto raw = SharedMemoryBlock::open(m_name);
    ASSERT_TRUE(raw);
    const auto bytes = raw->map(6);
    const unsigned char expected[] = {4, 3, 2, 1, 3, 0};
    EXPECT_EQ(std::memcmp(bytes.data(), expected, 6), 0);

    // A later start that ends leaves the block to the first: the third start is later too.
    { const InstanceBlock ended = claim(); }
    EXPECT_TRUE(SharedMemoryBlock::open(m_name));
    EXPECT_EQ(claim().role(), InstanceBlock::Role::LaterStart);
}

TEST_F(InstanceBlockClaim, countsHandOffsUpToTheLimit)
{
    const InstanceBlock first = claim(2);
    InstanceBlock a = claim(), b = claim(), c = claim();
    EXPECT_TRUE(a.enterHandOff());
    EXPECT_TRUE(b.enterHandOff());
    EXPECT_FALSE(c.enterHandOff());
    EXPECT_EQ(first.handOffCount(), 2);
    c.leaveHandOff(); // it never entered
    EXPECT_EQ(first.handOffCount(), 2);
    a.leaveHandOff();
    EXPECT_EQ(first.handOffCount(), 1);
    EXPECT_TRUE(c.enterHandOff());
}

TEST_F(InstanceBlockClaim, letsEveryoneHandOffWithoutALimitAndNobodyWithZero)
{
    InstanceBlock first = claim(-1);
    std::vector<InstanceBlock> later;
    for (int i = 0; i < 5; ++i) {
        later.push_back(claim());
        EXPECT_TRUE(later.back().enterHandOff());
    }
    EXPECT_EQ(first.handOffCount(), 5);
    first.setLimit(0);
    InstanceBlock one_more = claim();
    EXPECT_FALSE(one_more.enterHandOff());
}

TEST_F(InstanceBlockClaim, removesTheBlockWhenTheFirstStartEnds)
{
    {
        const InstanceBlock first = claim();
        EXPECT_TRUE(SharedMemoryBlock::open(m_name));
    }
    EXPECT_FALSE(SharedMemoryBlock::open(m_name));
    EXPECT_EQ(claim().role(), InstanceBlock::Role::FirstStart);
}

TEST_F(InstanceBlockClaim, takesOverABlockLeftByAStartThatDied)
{
    {
        SharedMemoryBlock stale = SharedMemoryBlock::createExclusive(m_name, 6);
        const unsigned char leftover[] = {77, 0, 0, 0, 5, 3};
        std::memcpy(stale.map(6).data(), leftover, 6);
    } // closed without removing it, as a killed process leaves it
    const InstanceBlock first = claim(-1, 88);
    EXPECT_EQ(first.role(), InstanceBlock::Role::FirstStart);
    EXPECT_EQ(m_leftBehind, std::vector<std::uint32_t>{77});
    EXPECT_EQ(first.endpoint(), 88u);
    EXPECT_EQ(first.limit(), -1);
    EXPECT_EQ(first.handOffCount(), 0);
}

TEST_F(InstanceBlockClaim, neverCountsBelowZeroAfterATakeOver)
{
    std::optional<SharedMemoryBlock> dying = SharedMemoryBlock::createExclusive(m_name, 6);
    ASSERT_TRUE(ByteLock::tryLock(dying->fd(), 0, m_name));
    dying->map(6)[4] = std::byte{0xff};
    InstanceBlock later = claim();
    ASSERT_EQ(later.role(), InstanceBlock::Role::LaterStart);
    ASSERT_TRUE(later.enterHandOff());
    dying.reset(); // the first start is killed: its locks go, its block stays

    const InstanceBlock next = claim(-1);
    ASSERT_EQ(next.role(), InstanceBlock::Role::FirstStart);
    EXPECT_EQ(next.handOffCount(), 0);
    later.leaveHandOff();
    EXPECT_EQ(next.handOffCount(), 0);
}

// A start stopped (SIGSTOP) while it decides its role holds the block's lock: the
// others give up after their wait instead of waiting for ever, and the guard works
// again once the lock is free.
TEST_F(InstanceBlockClaim, givesUpOnALockHeldByAStoppedStart)
{
    {
        SharedMemoryBlock stopped = SharedMemoryBlock::openOrCreate(m_name);
        ASSERT_TRUE(ByteLock::tryLock(stopped.fd(), 1, m_name));
        try {
            claim(0, 1234, std::chrono::milliseconds(100));
            ADD_FAILURE() << "claimed";
        } catch (const IoError& error) {
            EXPECT_EQ(error.errorCode(), EWOULDBLOCK);
        }
    }
    EXPECT_EQ(claim().role(), InstanceBlock::Role::FirstStart);
}

// A file system without room left for the block refuses it; writing into a block
// whose memory was not reserved would kill the process instead.
TEST(SharedMemoryBlockSize, reservesTheMemoryOfTheBlock)
{
    const test::PrivateRuntimeDir runtime;
    const std::string name = sharedObjectPath(QStringLiteral("Reserved"));
    SharedMemoryBlock block = SharedMemoryBlock::createExclusive(name, 3 * 4096);
    struct stat info {};
    ASSERT_EQ(::fstat(block.fd(), &info), 0);
    EXPECT_GE(info.st_blocks * 512, 3 * 4096);
    block.unlink();
}

// A name in the private folder that is not a plain block of the user's own, closed to
// others, is refused: through it someone else could feed or read the starts' data. A
// link is refused even when it leads to a private block of the user's.
TEST(SharedMemoryBlockOpen, refusesWhatIsNotAPrivateBlockOfTheUser)
{
    const test::PrivateRuntimeDir runtime;
    const std::string folder = privateRuntimeDir();
    const std::string target = folder + "/target";
    SharedMemoryBlock::createExclusive(target, 6);
    const auto plainBlock = [](const std::string& path) { SharedMemoryBlock::createExclusive(path, 6); };
    const struct {
        const char* name;
        std::function<void(const std::string& path)> make;
        bool refused;
    } cases[] = {
        {"a block of the user's", plainBlock, false},
        {"open to others", [&](const std::string& path) { plainBlock(path); ::chmod(path.c_str(), 0640); }, true},
        {"another user's", [&](const std::string& path) { plainBlock(path); ::chown(path.c_str(), 65534, 65534); }, ::geteuid() == 0},
        {"a link to a block of the user's", [&](const std::string& path) { ::symlink(target.c_str(), path.c_str()); }, true},
        {"a folder", [](const std::string& path) { ::mkdir(path.c_str(), 0700); }, true},
        {"a named pipe", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); }, true},
    };
    for (const auto& c : cases) {
        const std::string path = folder + "/" + c.name;
        c.make(path);
        for (const bool create : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (create ? ", openOrCreate" : ", open"));
            try {
                if (create)
                    SharedMemoryBlock::openOrCreate(path);
                else
                    EXPECT_TRUE(SharedMemoryBlock::open(path));
                EXPECT_FALSE(c.refused);
            } catch (const IoError&) {
                EXPECT_TRUE(c.refused);
            }
        }
    }
}

TEST_F(InstanceBlockClaim, givesExactlyOneFirstStartAmongStartsAtTheSameMoment)
{
    constexpr int Starts = 10;
    std::atomic<int> ready = 0;
    std::vector<std::optional<InstanceBlock>> blocks(Starts);
    std::vector<std::thread> starts;
    for (int i = 0; i < Starts; ++i) {
        starts.emplace_back([&, i] {
            ++ready;
            while (ready < Starts) {
            }
            blocks[i].emplace(claim());
        });
    }
    for (auto& start : starts)
        start.join();
    int firstStarts = 0;
    for (const auto& block : blocks)
        firstStarts += block->role() == InstanceBlock::Role::FirstStart;
    EXPECT_EQ(firstStarts, 1);
}

} // namespace
} // namespace kvd
