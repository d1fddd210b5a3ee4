#include "InstanceTestSupport.h"

#include "common/UniqueFd.h"
#include "instance/InstanceNames.h"
#include "instance/ProcessCommandLine.h"
#include "instance/SharedMemoryBlock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

namespace kvd {
namespace {

const QString ProbeProgram = QStringLiteral(KVD_INSTANCE_PROBE);
const QString ViewerProgram = QStringLiteral(KVD_VIEWER);
const QByteArray FirstStartMarker = "first start\n";

// One start of a program, with what it printed so far.
struct Start {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QByteArray output;
    qint64 pid = 0;

    const QByteArray& read()
    {
        output += process->readAllStandardOutput();
        return output;
    }
    bool isRunning() const { return process->state() != QProcess::NotRunning; }
};

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // In a sanitizer build, leaks inside system libraries are not the program's.
        m_environment.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=" KVD_LSAN_SUPPRESSIONS));
        m_environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("strict_string_checks=0"));
        // Made here so that it can be watched; the starts meet in it, apart from any
        // viewer the user runs.
        ASSERT_EQ(::mkdir(m_folder.c_str(), 0700), 0);
    }

    void TearDown() override
    {
        for (Start& start : m_starts) {
            if (start.isRunning()) {
                start.process->kill();
                start.process->waitForFinished();
            }
        }
    }

    std::string blockNameOf(const QString& program) const
    {
        const auto size = static_cast<std::uint32_t>(QFileInfo(program).size());
        return m_folder + "/" + instanceBlockName(static_cast<std::int32_t>(size)).toStdString();
    }

    // Waits until the starts' private folder holds what done() looks for; false after
    // twenty seconds without it.
    bool waitForFolder(const std::function<bool(const QStringList& names)>& done) const
    {
        const QDir folder(QString::fromStdString(m_folder));
        const auto names = [&] { return folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot); };
        QFileSystemWatcher watcher({folder.path()});
        QEventLoop loop;
        QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        const QDeadlineTimer deadline(20000);
        while (!done(names()) && !deadline.hasExpired())
            loop.exec();
        return done(names());
    }

    // Waits until the first start has logged `count` hand-offs in all.
    static bool waitForHandOffs(Start& first, qsizetype count)
    {
        const QDeadlineTimer deadline(20000);
        while (first.read().count("handed over\n") < count && first.isRunning() && !deadline.hasExpired())
            first.process->waitForReadyRead(1000);
        return first.read().count("handed over\n") >= count;
    }

    Start& start(const QStringList& arguments, const QString& program = ProbeProgram,
                 const std::function<void()>& inChild = {})
    {
        Start& started = m_starts.emplace_back();
        started.process->setProcessEnvironment(m_environment);
        if (inChild)
            started.process->setChildProcessModifier(inChild);
        started.process->start(program, arguments);
        EXPECT_TRUE(started.process->waitForStarted()) << program.toStdString();
        started.pid = started.process->processId();
        return started;
    }

    // True once the start says it got past its start-up check; false when it ends
    // before.
    static bool becomesFirstStart(Start& start)
    {
        const QDeadlineTimer deadline(20000);
        while (!start.read().contains(FirstStartMarker) && start.isRunning() && !deadline.hasExpired())
            start.process->waitForReadyRead(100);
        return start.read().contains(FirstStartMarker);
    }

    static bool endsAsLaterStart(Start& start)
    {
        const bool finished = !start.isRunning() || start.process->waitForFinished(20000);
        return finished && start.process->exitStatus() == QProcess::NormalExit && start.process->exitCode() == 0
               && !start.read().contains(FirstStartMarker);
    }

    static bool stop(Start& start)
    {
        start.process->closeWriteChannel();
        return start.process->waitForFinished(20000) && start.process->exitCode() == 0;
    }

    QStringList logLines() const
    {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The endpoint number in the instance block of `program`, 0 while there is none.
    std::uint32_t publishedEndpoint(const QString& program) const
    {
        auto block = SharedMemoryBlock::open(blockNameOf(program));
        if (!block || block->size() < 6)
            return 0;
        const auto bytes = block->map(6);
        std::uint32_t endpoint = 0;
        for (int i = 3; i >= 0; --i)
            endpoint = endpoint << 8 | std::to_integer<std::uint32_t>(bytes[static_cast<std::size_t>(i)]);
        return endpoint;
    }

    std::uint8_t handOffCount() const
    {
        auto block = SharedMemoryBlock::open(blockNameOf(ProbeProgram));
        return block ? std::to_integer<std::uint8_t>(block->map(6)[5]) : 0xff;
    }

    QTemporaryDir m_dir;
    const QString m_log = m_dir.filePath(QStringLiteral("hand-offs.log"));
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    std::deque<Start> m_starts; // references stay valid as starts are added
    const std::string m_folder = m_dir.filePath(QStringLiteral("TOneInstance-%1").arg(::geteuid())).toStdString();
};

TEST_F(SingleInstance, laterStartEndsWithStatusZeroAndTheFirstNoticesNothing)
{
    Start& first = start({"--log", m_log});
    ASSERT_TRUE(becomesFirstStart(first));
    Start& later = start({"--log", m_log, "data.kvd"});
    EXPECT_TRUE(endsAsLaterStart(later)) << later.process->readAllStandardError().toStdString();
    EXPECT_TRUE(first.isRunning());
    EXPECT_EQ(first.read(), FirstStartMarker);
    EXPECT_TRUE(logLines().isEmpty());

    EXPECT_TRUE(stop(first));
    EXPECT_FALSE(SharedMemoryBlock::open(blockNameOf(ProbeProgram))) << "the block outlived its first start";
}

TEST_F(SingleInstance, startAfterTheFirstEndedOrWasKilledIsAFirstStart)
{
    for (const bool killed : {false, true}) {
        Start& first = start({});
        ASSERT_TRUE(becomesFirstStart(first));
        if (killed) {
            first.process->kill();
            first.process->waitForFinished();
        } else {
            ASSERT_TRUE(stop(first));
        }
        Start& next = start({});
        EXPECT_TRUE(becomesFirstStart(next)) << (killed ? "after SIGKILL" : "after a normal end");
        Start& later = start({});
        EXPECT_TRUE(endsAsLaterStart(later));
        EXPECT_TRUE(stop(next));
    }
}

TEST_F(SingleInstance, copiesInOtherFoldersShareTheBlockButAnotherSizeHasItsOwn)
{
    const QString copy = m_dir.filePath(QStringLiteral("elsewhere/kvd_instance_probe"));
    const QString grown = m_dir.filePath(QStringLiteral("grown/kvd_instance_probe"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(copy).path()) && QDir().mkpath(QFileInfo(grown).path()));
    ASSERT_TRUE(QFile::copy(ProbeProgram, copy) && QFile::copy(ProbeProgram, grown));
    QFile grownFile(grown);
    ASSERT_TRUE(grownFile.open(QIODevice::Append) && grownFile.write("\0", 1) == 1);
    grownFile.close();

    Start& first = start({});
    ASSERT_TRUE(becomesFirstStart(first));
    EXPECT_TRUE(endsAsLaterStart(start({}, copy)));
    Start& other = start({}, grown);
    EXPECT_TRUE(becomesFirstStart(other));
    EXPECT_TRUE(stop(other));
    EXPECT_TRUE(stop(first));
}

TEST_F(SingleInstance, withoutALimitEveryLaterStartHandsOverItsCommandLineUnchanged)
{
    Start& first = start({"--max", "-1", "--log", m_log});
    ASSERT_TRUE(becomesFirstStart(first));
    const QList<QStringList> argumentLists = {
        {"a.kvd"},
        {"Größe 東京.kvd", "naïve.wum", "\U0001F600"},
        {"-style", "fusion", "", "tab\tand \"quotes\""},
    };
    QStringList expected;
    for (const QStringList& arguments : argumentLists) {
        Start& later = start(arguments);
        expected << QString::number(later.pid) + QLatin1Char('\t') + joinCommandLine(QStringList{ProbeProgram} + arguments);
        EXPECT_TRUE(endsAsLaterStart(later));
        EXPECT_TRUE(waitForHandOffs(first, expected.size()));
    }
    EXPECT_EQ(logLines(), expected);
    EXPECT_EQ(handOffCount(), 0);
    EXPECT_TRUE(stop(first));
}

TEST_F(SingleInstance, withALimitOfTwoAThirdSimultaneousLaterStartEndsWithoutHandingOver)
{
    Start& first = start({"--max", "2", "--hold-first-hand-off", "--log", m_log});
    ASSERT_TRUE(becomesFirstStart(first));
    const QStringList patient = {"--transport-timeout", "600000"};

    // The first hand-off holds the first start's event loop, so the next two wait
    // inside their hand-off.
    EXPECT_TRUE(endsAsLaterStart(start(patient + QStringList{"one"})));
    ASSERT_TRUE(waitForHandOffs(first, 1));
    Start& two = start(patient + QStringList{"two"});
    Start& three = start(patient + QStringList{"three"});
    // Each start inside its hand-off has counted itself in before it made its blocks.
    ASSERT_TRUE(waitForFolder([](const QStringList& names) {
        return names.filter(QRegularExpression(QStringLiteral("^TOneInstance::ShareStrMapName::\\d+::"))).size() == 2;
    }));
    EXPECT_EQ(handOffCount(), 2);

    Start& four = start(patient + QStringList{"four"});
    EXPECT_TRUE(endsAsLaterStart(four));
    EXPECT_TRUE(two.isRunning() && three.isRunning()) << "the two hand-offs were not held";
    EXPECT_EQ(handOffCount(), 2);

    first.process->write("\n");
    first.process->waitForBytesWritten();
    EXPECT_TRUE(endsAsLaterStart(two));
    EXPECT_TRUE(endsAsLaterStart(three));
    ASSERT_TRUE(waitForHandOffs(first, 3));
    EXPECT_EQ(handOffCount(), 0);
    EXPECT_TRUE(stop(first));
    QSet<QString> words;
    for (const QString& line : logLines())
        words.insert(line.section(QLatin1Char(' '), -1));
    EXPECT_EQ(words, (QSet<QString>{"one", "two", "three"}));
}

TEST_F(SingleInstance, tenStartsAtTheSameMomentMakeExactlyOneFirstStart)
{
    std::vector<Start*> starts;
    for (int i = 0; i < 10; ++i)
        starts.push_back(&start({}));
    std::vector<Start*> firstStarts;
    for (Start* one : starts) {
        if (becomesFirstStart(*one))
            firstStarts.push_back(one);
        else
            EXPECT_TRUE(endsAsLaterStart(*one));
    }
    ASSERT_EQ(firstStarts.size(), 1u);
    EXPECT_TRUE(stop(*firstStarts.front()));
}

// Another user takes, before anyone started, the names where a user's starts could
// meet: the shared memory name of earlier builds and the user's folder in a parent
// that everyone may write into. The user's guard works all the same.
TEST_F(SingleInstance, namesTakenByAnotherUserDoNotSwitchTheGuardOff)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    const QString shared = m_dir.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(shared.toLocal8Bit().constData(), 01777), 0);
    const std::string taken = shared.toStdString() + "/TOneInstance-0";
    ASSERT_EQ(::mkdir(taken.c_str(), 0700), 0);
    ASSERT_EQ(::chown(taken.c_str(), 65534, 65534), 0);
    const auto size = static_cast<std::uint32_t>(QFileInfo(ProbeProgram).size());
    const std::string oldName = "/dev/shm/TOneInstance::" + std::to_string(static_cast<std::int32_t>(size)) + "@0";
    const bool madeOldName = ::access("/dev/shm", W_OK) == 0 && ::access(oldName.c_str(), F_OK) != 0;
    if (madeOldName) {
        QFile squat(QString::fromStdString(oldName));
        ASSERT_TRUE(squat.open(QIODevice::WriteOnly));
        ASSERT_EQ(::fchown(squat.handle(), 65534, 65534), 0);
        ASSERT_EQ(::fchmod(squat.handle(), 0666), 0);
    }
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), shared);

    Start& first = start({});
    EXPECT_TRUE(becomesFirstStart(first));
    EXPECT_TRUE(endsAsLaterStart(start({})));
    EXPECT_TRUE(stop(first));
    EXPECT_FALSE(first.process->readAllStandardError().contains("without the single-instance guard"));
    if (madeOldName)
        ::unlink(oldName.c_str());
}

// Connects `count` times to the socket at path, one after the other, and keeps the
// connections that were made open and idle.
std::vector<UniqueFd> openIdleConnections(const std::string& path, int count)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), std::min(path.size() + 1, sizeof(address.sun_path) - 1));
    std::vector<UniqueFd> connections;
    for (int i = 0; i < count; ++i) {
        UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const timeval wait {5, 0}; // a full queue makes connect wait for room
        ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof(wait));
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
            connections.push_back(std::move(fd));
    }
    return connections;
}

// True once the other end has closed every connection; false after thirty seconds.
bool closedByPeer(const std::vector<UniqueFd>& connections)
{
    const QDeadlineTimer deadline(30000);
    for (const UniqueFd& fd : connections) {
        pollfd wait {fd.get(), POLLIN, 0};
        char byte = 0;
        if (::poll(&wait, 1, static_cast<int>(deadline.remainingTime())) != 1 || ::recv(fd.get(), &byte, 1, MSG_DONTWAIT) != 0)
            return false;
    }
    return true;
}

int openDescriptors(qint64 pid)
{
    return static_cast<int>(QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

// Run in the child before it starts the program: 256 descriptors at most.
void fewDescriptors()
{
    const rlimit limit {256, 256};
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

// Thousands of idle connections of the same user to the first start's socket, more
// than it may have descriptors, are closed (over the cap at once, the rest at their
// deadline) without taking its descriptors. The first start, the probe or the viewer,
// goes on, and a later start still hands over or ends as one.
TEST_F(SingleInstance, floodOfIdleConnectionsTakesNeitherTheDescriptorsNorTheHandOff)
{
    constexpr int Flood = 2000;
    for (const QString& program : {ProbeProgram, ViewerProgram}) {
        SCOPED_TRACE(program.toStdString());
        const bool isProbe = program == ProbeProgram;
        Start& first = start(isProbe ? QStringList{"--max", "-1", "--log", m_log} : QStringList{}, program, fewDescriptors);
        const QString socket = QString::fromStdString(blockNameOf(program)).section(QLatin1Char('/'), -1)
                               + QStringLiteral("::Window::%1").arg(first.pid);
        ASSERT_TRUE(waitForFolder([&](const QStringList& names) { return names.contains(socket); }));
        const int before = openDescriptors(first.pid);

        std::vector<UniqueFd> connections;
        int most = before;
        while (connections.size() < Flood) {
            for (UniqueFd& fd : openIdleConnections(m_folder + "/" + socket.toStdString(), 200))
                connections.push_back(std::move(fd));
            most = std::max(most, openDescriptors(first.pid));
        }
        EXPECT_LE(most, before + 64 + 8) << "descriptors held at most while flooded";
        EXPECT_TRUE(closedByPeer(connections));

        Start& later = start({"after-the-flood"}, program);
        EXPECT_TRUE(endsAsLaterStart(later));
        if (isProbe) {
            EXPECT_TRUE(waitForHandOffs(first, 1));
            EXPECT_TRUE(logLines().value(0).endsWith(QLatin1String(" after-the-flood")));
        }
        connections.clear();
        EXPECT_TRUE(first.isRunning());
        if (!isProbe)
            first.process->terminate(); // the viewer ends on SIGTERM, the probe when its input ends
        EXPECT_TRUE(stop(first));
    }
}

// Whether this machine lets a test mount file systems of its own.
bool privateMountNamespaces()
{
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {"-m", "--propagation", "private", "true"});
    return probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

// Starts in a runtime folder whose file system is full (a 4 KiB memory file system in
// a mount namespace of their own). The first start's block cannot be sized; a block of
// that name is then planted sparse, as a start killed while it sized it leaves it.
// Touching such a block kills a start with SIGBUS. Each start runs, unguarded and
// saying so; once there is room again, the guard works.
TEST_F(SingleInstance, fullRuntimeFileSystemLeavesEveryStartRunningUnguarded)
{
    if (!privateMountNamespaces())
        GTEST_SKIP() << "no private mount namespace here (unshare -m refused)";
    const QString script = QStringLiteral(R"sh(
        dir=$1 probe=$2 block=$3
        mount -t tmpfs -o size=4k,mode=0700 tmpfs "$dir/run" || exit 100
        head -c 4096 /dev/zero > "$dir/run/fill" || exit 101
        for n in 1 2 3; do "$probe" < /dev/null 2> "$dir/err$n"; echo "start $n: $?"; done
        echo "left: $(ls -A "$dir/run/${block%/*}")"
        : > "$dir/run/$block" && truncate -s 6 "$dir/run/$block" && chmod 600 "$dir/run/$block" || exit 102
        "$probe" < /dev/null 2> "$dir/err4"; echo "start 4: $?"
        rm "$dir/run/fill"
        exec 3<&0
        "$probe" <&3 > "$dir/out5" 2> "$dir/err5" &
        for i in $(seq 400); do grep -q "first start" "$dir/out5" && break; sleep 0.05; done
        "$probe" < /dev/null 2> "$dir/err6"; echo "start 6: $?"
        exec 3<&-
        wait $!; echo "start 5: $?"
    )sh");
    const QString runtime = m_dir.filePath(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(runtime));
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    const QString block = QStringLiteral("TOneInstance-%1/").arg(::geteuid())
                          + instanceBlockName(static_cast<std::int32_t>(QFileInfo(ProbeProgram).size()));
    Start& shell = start({"-m", "--propagation", "private", "sh", "-c", script, "sh", m_dir.path(), ProbeProgram, block},
                         QStringLiteral("unshare"));
    // Start 5 lives until standard input ends, after start 6.
    const QDeadlineTimer deadline(60000);
    while (!shell.read().contains("start 6:") && shell.isRunning() && !deadline.hasExpired())
        shell.process->waitForReadyRead(1000);
    EXPECT_TRUE(stop(shell)) << shell.process->readAllStandardError().toStdString();
    EXPECT_EQ(shell.read().toStdString(), "first start\nstart 1: 0\nfirst start\nstart 2: 0\nfirst start\nstart 3: 0\n"
                                           "left: \nfirst start\nstart 4: 0\nstart 6: 0\nstart 5: 0\n");
    const auto errors = [&](int n) {
        QFile file(m_dir.filePath(QStringLiteral("err%1").arg(n)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    };
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(errors(n).contains("Running without the single-instance guard")) << n << ": " << errors(n).toStdString();
    EXPECT_FALSE(errors(5).contains("without the single-instance guard")) << errors(5).toStdString();
}

// Without $XDG_RUNTIME_DIR and /run/user/<uid> (in a mount namespace of their own),
// another user (nobody) takes every name the user's starts could meet under in /tmp
// before they start. The starts meet in the user's home all the same, and the second
// ends as a later start.
TEST_F(SingleInstance, anotherUserTakingEveryNameInTmpDoesNotSwitchTheGuardOff)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    if (!privateMountNamespaces())
        GTEST_SKIP() << "no private mount namespace here (unshare -m refused)";
    const QString script = QStringLiteral(R"sh(
        probe=$1 uid=$(id -u)
        mount -t tmpfs -o mode=1777 tmpfs /tmp || exit 100
        if [ -d /run/user ]; then mount -t tmpfs -o mode=0755 tmpfs /run/user || exit 101; fi
        for n in "" $(seq -f -%g 1 15); do
            setpriv --reuid=65534 --regid=65534 --clear-groups mkdir -m 0700 "/tmp/TOneInstance-$uid$n" || exit 102
        done
        mkdir -m 0700 /tmp/home && export HOME=/tmp/home || exit 103
        unset XDG_RUNTIME_DIR XDG_STATE_HOME
        exec 3<&0
        "$probe" <&3 > /tmp/out1 2> /tmp/err1 &
        for i in $(seq 400); do grep -q "first start" /tmp/out1 && break; sleep 0.05; done
        "$probe" < /dev/null 2> /tmp/err2; echo "start 2: $?"
        ls /tmp/home/.local/state
        exec 3<&-
        wait $!; echo "start 1: $?"
        cat /tmp/out1; cat /tmp/err1 /tmp/err2 >&2
    )sh");
    Start& shell = start({"-m", "--propagation", "private", "sh", "-c", script, "sh", ProbeProgram},
                         QStringLiteral("unshare"));
    const QDeadlineTimer deadline(60000);
    while (!shell.read().contains("start 2:") && shell.isRunning() && !deadline.hasExpired())
        shell.process->waitForReadyRead(1000);
    EXPECT_TRUE(stop(shell));
    const QByteArray errors = shell.process->readAllStandardError();
    EXPECT_EQ(shell.read().toStdString(), "start 2: 0\nTOneInstance-0\nstart 1: 0\nfirst start\n") << errors.toStdString();
    EXPECT_FALSE(errors.contains("without the single-instance guard")) << errors.toStdString();
}

TEST_F(SingleInstance, laterStartOfTheViewerEndsAtOnceAndTheRunningViewerGoesOn)
{
    const QString dataFile = m_dir.filePath(QStringLiteral("named_on_the_later_command_line.kvd"));
    QFile file(dataFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("KVD\r\n[Data]\r\nId;Source;Area\r\na;s;1\r\n");
    file.close();

    Start& first = start({}, ViewerProgram);
    const QString socket = QString::fromStdString(blockNameOf(ViewerProgram)).section(QLatin1Char('/'), -1) +
                           QStringLiteral("::Window::%1").arg(first.pid);
    ASSERT_TRUE(waitForFolder([&](const QStringList& names) { return names.contains(socket); }));
    Start& later = start({dataFile}, ViewerProgram);
    EXPECT_TRUE(endsAsLaterStart(later)) << later.process->readAllStandardError().toStdString();
    EXPECT_TRUE(first.isRunning());

    first.process->terminate();
    EXPECT_TRUE(first.process->waitForFinished(20000));
    EXPECT_EQ(first.process->exitCode(), 0) << first.process->readAllStandardError().toStdString();
    EXPECT_FALSE(SharedMemoryBlock::open(blockNameOf(ViewerProgram))) << "the block outlived the viewer";
}

} // namespace
} // namespace kvd
