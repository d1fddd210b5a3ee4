#include "InstanceTestSupport.h"

#include "instance/CommandLineBlock.h"
#include "instance/HandOffClient.h"
#include "instance/InstanceBlock.h"
#include "instance/InstanceNames.h"
#include "instance/OneInstance.h"
#include "instance/ProcessCommandLine.h"
#include "instance/RuntimeDir.h"
#include "instance/SharedMemoryBlock.h"
#include "instance/TransferBlocks.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <utility>
#include <vector>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvd {
namespace {

TEST(InstanceNames, keepTheirFormsAndLiveInTheUsersPrivateFolder)
{
    const test::PrivateRuntimeDir runtime;
    EXPECT_EQ(instanceBlockName(53248), "TOneInstance::53248");
    EXPECT_EQ(instanceBlockName(-2), "TOneInstance::-2");
    EXPECT_EQ(sizeCellName(4242), "TOneInstance::ShareStrMapName::4242");
    EXPECT_EQ(commandLineBlockName(4242), "TOneInstance::ShareStrMapName::4242::4242");
    EXPECT_EQ(sharedObjectPath(QStringLiteral("TOneInstance::7")),
              runtime.path().toStdString() + "/TOneInstance-" + std::to_string(geteuid()) + "/TOneInstance::7");
}

// In a folder that everyone may write into, names that another user took first, or
// that lead elsewhere, are passed over, and every start finds the same folder. The
// link leads to a private folder of the user's own, which only the refusal to follow
// links keeps out.
TEST(RuntimeDir, passesOverNamesTakenByAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(shared.path().toLocal8Bit().constData(), 01777), 0);
    const std::string parent = shared.path().toStdString();
    const std::string stem = parent + "/TOneInstance-0";
    ASSERT_EQ(::mkdir(stem.c_str(), 0700), 0);
    ASSERT_EQ(::chown(stem.c_str(), 65534, 65534), 0);
    const std::string elsewhere = parent + "/elsewhere";
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), (stem + "-1").c_str()), 0);
    ASSERT_EQ(::mkdir((stem + "-2").c_str(), 0755), 0); // open to others

    EXPECT_EQ(privateFolderIn(parent), stem + "-3");
    EXPECT_EQ(privateFolderIn(parent), stem + "-3");
    struct stat info {};
    ASSERT_EQ(::lstat((stem + "-3").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
}

// Sets environment variables for the lifetime of the object (an empty value unsets).
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(std::vector<std::pair<const char*, QByteArray>> values)
    {
        for (const auto& [name, value] : values) {
            m_saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> m_saved;
};

// Without a runtime folder, the starts meet in the user's state folder, made where it
// is missing and closed to others; never in a folder open to everyone.
TEST(RuntimeDir, fallsBackToTheUsersStateFolder)
{
    QTemporaryDir home;
    const QByteArray homePath = home.path().toLocal8Bit();
    const struct {
        QByteArray stateHome;
        std::string expected;
    } cases[] = {
        {"", homePath.toStdString() + "/.local/state"},
        {"relative/state", homePath.toStdString() + "/.local/state"},
        {homePath + "/own state", homePath.toStdString() + "/own state"},
    };
    for (const auto& c : cases) {
        const ScopedEnvironment environment({{"XDG_RUNTIME_DIR", {}}, {"HOME", homePath}, {"XDG_STATE_HOME", c.stateHome}});
        EXPECT_EQ(userStateDir(), c.expected);
        const std::vector<std::string> parents = runtimeDirParents();
        ASSERT_FALSE(parents.empty());
        EXPECT_EQ(parents.back(), c.expected);
        struct stat info {};
        ASSERT_EQ(::lstat(c.expected.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 077, 0u) << c.expected;
        EXPECT_EQ(privateRuntimeDir().rfind(c.expected, 0), 0u) << privateRuntimeDir();
        for (const std::string& parent : parents)
            EXPECT_NE(parent, "/tmp");
    }
    // Without a usable $HOME, the home folder of the password entry.
    const passwd* entry = ::getpwuid(::geteuid());
    ASSERT_NE(entry, nullptr);
    for (const QByteArray& noHome : {QByteArray(), QByteArray("relative/home")}) {
        const ScopedEnvironment environment({{"HOME", noHome}, {"XDG_STATE_HOME", {}}});
        EXPECT_EQ(userStateDir(), std::string(entry->pw_dir) + "/.local/state");
    }
}

QString readBytes(const QByteArray& bytes)
{
    return readCommandLineBlock(std::as_bytes(std::span(bytes.constData(), bytes.size())));
}

TEST(CommandLineBlock, buildsAndReadsBlocks)
{
    // Built from a text: the length n + 1, the n bytes of UTF-8, one zero byte.
    const struct {
        QString line;
        QByteArray block;
    } built[] = {
        {QString(), QByteArray("\x01\0\0\0\0", 5)},
        {QStringLiteral("abcdefghij"), QByteArray("\x0b\0\0\0abcdefghij\0", 15)},
        {QStringLiteral("\"/opt/kvd viewer/kvdviewer\" a.kvd"), QByteArray("\x22\0\0\0\"/opt/kvd viewer/kvdviewer\" a.kvd\0", 38)},
        {QStringLiteral("kvdviewer Größe.kvd \U0001F600"), QByteArray("\x1b\0\0\0kvdviewer Gr\xc3\xb6\xc3\x9f" "e.kvd \xf0\x9f\x98\x80\0", 31)},
    };
    for (const auto& c : built) {
        EXPECT_EQ(buildCommandLineBlock(c.line), c.block) << c.line.toStdString();
        EXPECT_EQ(readBytes(c.block), c.line);
    }
    // Read from bytes: cut at the first zero byte, or after the length it states.
    const struct {
        QByteArray block;
        QString line;
    } read[] = {
        {QByteArray("\x06\0\0\0ab\0cd\0", 10), "ab"},
        {QByteArray("\x02\0\0\0abcd\0", 9), "ab"},
        {QByteArray("\x07\0\0\0abcdefg", 11), "abcdefg"},
        {QByteArray("\x00\0\0\0abcd\0", 9), ""},
        {QByteArray("\x03\0\0\0a\xff" "b", 7), QStringLiteral("a\uFFFDb")},
    };
    for (const auto& c : read)
        EXPECT_EQ(readBytes(c.block), c.line) << c.block.toHex().toStdString();
    // A length that runs past the block's end, or no room for the length at all.
    for (const QByteArray& broken : {QByteArray("\x01\0\0", 3), QByteArray("\x07\0\0\0abcde", 9),
                                     QByteArray("\x08\0\0\0abcdefg", 11), QByteArray("\xff\xff\xff\xff" "a", 5)})
        EXPECT_THROW(readBytes(broken), Error) << broken.toHex().toStdString();
}

TEST(JoinCommandLine, quotesWordsWithBlanksOnly)
{
    const struct {
        QStringList words;
        QString line;
    } cases[] = {
        {{"kvdviewer"}, "kvdviewer"},
        {{"/opt/kvd viewer/kvdviewer", "a b.kvd", "c.kvd"}, "\"/opt/kvd viewer/kvdviewer\" \"a b.kvd\" c.kvd"},
        {{"kvdviewer", "", "tab\there"}, "kvdviewer \"\" \"tab\there\""},
        {{"kvdviewer", "Größe.kvd"}, "kvdviewer Größe.kvd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(joinCommandLine(c.words), c.line);
}

TEST(ProcessArguments, startWithTheProgramAsStarted)
{
    const QStringList words = processArguments();
    ASSERT_FALSE(words.isEmpty());
    EXPECT_EQ(QFileInfo(words.first()).fileName(), "instance_test");
}

// A first start of the test program itself; the tests below run one at a time.
class TOneInstanceInProcess : public ::testing::Test {
protected:
    std::string blockName() const { return sharedObjectPath(instanceBlockName(programFileSize())); }

    const bool m_applicationReady = (test::ensureApplication(), true);
    test::PrivateRuntimeDir m_runtimeDir;
    QWidget m_form;
};

std::string creationError(QObject* owner)
{
    try {
        TOneInstance component(owner);
    } catch (const OneInstanceError& error) {
        return error.what();
    }
    return "created";
}

TEST_F(TOneInstanceInProcess, refusesAnOwnerThatIsNotAForm)
{
    QObject plain;
    QWidget child(&m_form);
    EXPECT_EQ(creationError(nullptr), "AOwner must be TForm or descendant");
    EXPECT_EQ(creationError(&plain), "AOwner must be TForm or descendant");
    EXPECT_EQ(creationError(&child), "AOwner must be TForm or descendant");
    EXPECT_FALSE(SharedMemoryBlock::open(blockName()));
    EXPECT_EQ(creationError(&m_form), "created");
}

TEST_F(TOneInstanceInProcess, refusesASecondComponentWithoutTouchingTheFirstOnesBlock)
{
    auto first = std::make_unique<TOneInstance>(&m_form);
    first->setMaxNewInstances(-3);
    ASSERT_TRUE(first->isGuarding());
    QWidget otherForm;
    EXPECT_EQ(creationError(&otherForm), "Only one copy of TOneInstance can be used on one application");
    EXPECT_EQ(creationError(nullptr), "AOwner must be TForm or descendant");
    EXPECT_TRUE(first->isGuarding());
    EXPECT_EQ(first->MaxNewInstances(), -3);

    first.reset();
    EXPECT_EQ(creationError(&otherForm), "created");
}

TEST_F(TOneInstanceInProcess, publishesItsEndpointAndLimitAndRemovesThemAtTheEnd)
{
    auto component = std::make_unique<TOneInstance>(&m_form);
    EXPECT_EQ(component->MsgTransportTimeout(), 3000u);
    EXPECT_EQ(component->parent(), &m_form);
    auto block = SharedMemoryBlock::open(blockName());
    ASSERT_TRUE(block);
    ASSERT_EQ(block->size(), 6u);
    const auto bytes = block->map(6);
    const auto pid = static_cast<std::uint32_t>(getpid());
    EXPECT_EQ(std::to_integer<std::uint32_t>(bytes[0]) | std::to_integer<std::uint32_t>(bytes[1]) << 8
                  | std::to_integer<std::uint32_t>(bytes[2]) << 16 | std::to_integer<std::uint32_t>(bytes[3]) << 24,
              pid);
    EXPECT_EQ(bytes[4], std::byte{0});
    EXPECT_EQ(bytes[5], std::byte{0});

    component->setMaxNewInstances(-1);
    EXPECT_EQ(bytes[4], std::byte{0xff});
    bytes[4] = std::byte{2}; // another start's view of the same block
    EXPECT_EQ(component->MaxNewInstances(), 2);

    const auto socket = endpointPath(privateRuntimeDir(), component->instanceBlockName(), pid);
    ASSERT_TRUE(socket);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(*socket)));
    component.reset();
    EXPECT_FALSE(SharedMemoryBlock::open(blockName()));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(*socket)));
}

// Sends one message to the component from another thread, as a later start would,
// and keeps the component's event loop running until the answer is in.
std::optional<std::uint32_t> sendFromAnotherThread(const TOneInstance& component, HandOffMessage message)
{
    const auto socket = endpointPath(privateRuntimeDir(), component.instanceBlockName(), getpid());
    if (!socket)
        return std::nullopt;
    auto answer = std::async(std::launch::async, [&] { return sendHandOffMessage(*socket, message, 10000); });
    test::processEventsUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return answer.get();
}

class HandOffReceiving : public TOneInstanceInProcess {
protected:
    void SetUp() override
    {
        m_component = std::make_unique<TOneInstance>(&m_form);
        m_component->setOnNewInstanceLoad([this](std::uint32_t handle, const char16_t* line) {
            m_received.push_back({handle, QString::fromUtf16(line)});
        });
        m_component->setErrorHandler([this](const std::exception& error) { m_errors.push_back(error.what()); });
    }

    struct Received {
        std::uint32_t handle;
        QString commandLine;
        bool operator==(const Received&) const = default;
    };
    std::unique_ptr<TOneInstance> m_component;
    std::vector<Received> m_received;
    std::vector<std::string> m_errors;
};

TEST_F(HandOffReceiving, raisesTheEventWithTheHandedOverCommandLine)
{
    const QString line = QStringLiteral("\"/opt/kvd viewer/kvdviewer\" Größe.kvd");
    const OutgoingTransfer transfer(71001, line);
    EXPECT_EQ(sendFromAnotherThread(*m_component, {1125, 71001, 1125}), 1u);
    EXPECT_EQ(m_received, (std::vector<Received>{{71001, line}}));
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(HandOffReceiving, ignoresOtherMessagesAndOtherCheckValues)
{
    const OutgoingTransfer transfer(71002, QStringLiteral("kvdviewer a.kvd"));
    for (const HandOffMessage message : {HandOffMessage{1125, 71002, 1124}, HandOffMessage{1125, 71002, 0},
                                         HandOffMessage{1124, 71002, 1125}, HandOffMessage{0, 0, 0}})
        EXPECT_EQ(sendFromAnotherThread(*m_component, message), 0u);
    EXPECT_TRUE(m_received.empty());
    EXPECT_TRUE(m_errors.empty());
    EXPECT_TRUE(SharedMemoryBlock::open(sharedObjectPath(sizeCellName(71002))));
}

TEST_F(HandOffReceiving, answersButIgnoresAHandOffWhoseBlocksAreGone)
{
    EXPECT_EQ(sendFromAnotherThread(*m_component, {1125, 71003, 1125}), 1u);
    EXPECT_TRUE(m_received.empty());
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(HandOffReceiving, reportsASizeCellThatOverstatesTheBlockAndGoesOn)
{
    {
        const OutgoingTransfer transfer(71004, QStringLiteral("kvdviewer"));
        auto sizeCell = SharedMemoryBlock::open(sharedObjectPath(sizeCellName(71004)));
        ASSERT_TRUE(sizeCell);
        sizeCell->map(4)[1] = std::byte{0x10}; // 4096 + 14 bytes, the block has 14
        EXPECT_EQ(sendFromAnotherThread(*m_component, {1125, 71004, 1125}), 1u);
    }
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_NE(m_errors[0].find("holds 14 bytes"), std::string::npos) << m_errors[0];

    const OutgoingTransfer transfer(71005, QStringLiteral("kvdviewer b.kvd"));
    EXPECT_EQ(sendFromAnotherThread(*m_component, {1125, 71005, 1125}), 1u);
    EXPECT_EQ(m_received, (std::vector<Received>{{71005, "kvdviewer b.kvd"}}));
}

TEST_F(HandOffReceiving, passesAnErrorOfTheEventHandlerToTheErrorHandler)
{
    m_component->setOnNewInstanceLoad([](std::uint32_t, const char16_t*) { throw Error("handler failed"); });
    const OutgoingTransfer transfer(71006, QStringLiteral("kvdviewer"));
    EXPECT_EQ(sendFromAnotherThread(*m_component, {1125, 71006, 1125}), 1u);
    EXPECT_EQ(m_errors, std::vector<std::string>{"handler failed"});
}

} // namespace
} // namespace kvd
