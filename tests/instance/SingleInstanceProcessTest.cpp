#include "InstanceTestSupport.h"

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
#include <QThread>

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <deque>
#include <memory>
#include <vector>

namespace kvd {
namespace {

const QString kProbe = QStringLiteral(KVD_INSTANCE_PROBE);
const QString kViewer = QStringLiteral(KVD_VIEWER);
const QByteArray kFirstStartMarker = "first start\n";

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

// Waits for a condition that another process brings about, twenty seconds at most.
bool waitUntil(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(20000);
    while (!done() && !deadline.hasExpired())
        QThread::msleep(10);
    return done();
}

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
        ASSERT_FALSE(SharedMemoryBlock::open(blockNameOf(kProbe))) << "a probe from elsewhere is running";
    }

    void TearDown() override
    {
        for (Start& start : m_starts) {
            if (start.isRunning()) {
                start.process->kill();
                start.process->waitForFinished();
            }
        }
        for (const QString& program : m_programs)
            shm_unlink(blockNameOf(program).c_str());
    }

    static std::string blockNameOf(const QString& program)
    {
        const auto size = static_cast<std::uint32_t>(QFileInfo(program).size());
        return shmObjectName(instanceBlockName(static_cast<std::int32_t>(size)));
    }

    Start& start(const QStringList& arguments, const QString& program = kProbe)
    {
        m_programs.insert(program);
        Start& started = m_starts.emplace_back();
        started.process->setProcessEnvironment(m_environment);
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
        while (!start.read().contains(kFirstStartMarker) && start.isRunning() && !deadline.hasExpired())
            start.process->waitForReadyRead(100);
        return start.read().contains(kFirstStartMarker);
    }

    static bool endsAsLaterStart(Start& start)
    {
        const bool finished = !start.isRunning() || start.process->waitForFinished(20000);
        return finished && start.process->exitStatus() == QProcess::NormalExit && start.process->exitCode() == 0
               && !start.read().contains(kFirstStartMarker);
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
    static std::uint32_t publishedEndpoint(const QString& program)
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
        auto block = SharedMemoryBlock::open(blockNameOf(kProbe));
        return block ? std::to_integer<std::uint8_t>(block->map(6)[5]) : 0xff;
    }

    QTemporaryDir m_dir;
    const QString m_log = m_dir.filePath(QStringLiteral("hand-offs.log"));
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    std::deque<Start> m_starts; // references stay valid as starts are added
    QSet<QString> m_programs;
};

TEST_F(SingleInstance, laterStartEndsWithStatusZeroAndTheFirstNoticesNothing)
{
    Start& first = start({"--log", m_log});
    ASSERT_TRUE(becomesFirstStart(first));
    Start& later = start({"--log", m_log, "data.kvd"});
    EXPECT_TRUE(endsAsLaterStart(later)) << later.process->readAllStandardError().toStdString();
    EXPECT_TRUE(first.isRunning());
    EXPECT_EQ(first.read(), kFirstStartMarker);
    EXPECT_TRUE(logLines().isEmpty());

    EXPECT_TRUE(stop(first));
    EXPECT_FALSE(SharedMemoryBlock::open(blockNameOf(kProbe))) << "the block outlived its first start";
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
    ASSERT_TRUE(QFile::copy(kProbe, copy) && QFile::copy(kProbe, grown));
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
        expected << QString::number(later.pid) + QLatin1Char('\t') + joinCommandLine(QStringList{kProbe} + arguments);
        EXPECT_TRUE(endsAsLaterStart(later));
        EXPECT_TRUE(waitUntil([&] { return logLines().size() >= expected.size(); }));
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
    ASSERT_TRUE(waitUntil([&] { return logLines().size() == 1; }));
    Start& two = start(patient + QStringList{"two"});
    Start& three = start(patient + QStringList{"three"});
    ASSERT_TRUE(waitUntil([&] { return handOffCount() == 2; }));

    Start& four = start(patient + QStringList{"four"});
    EXPECT_TRUE(endsAsLaterStart(four));
    EXPECT_TRUE(two.isRunning() && three.isRunning()) << "the two hand-offs were not held";
    EXPECT_EQ(handOffCount(), 2);

    first.process->write("\n");
    first.process->waitForBytesWritten();
    EXPECT_TRUE(endsAsLaterStart(two));
    EXPECT_TRUE(endsAsLaterStart(three));
    ASSERT_TRUE(waitUntil([&] { return logLines().size() == 3; }));
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

TEST_F(SingleInstance, laterStartOfTheViewerEndsAtOnceAndTheRunningViewerGoesOn)
{
    const QString dataFile = m_dir.filePath(QStringLiteral("named_on_the_later_command_line.kvd"));
    QFile file(dataFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("KVD\r\n[Data]\r\nId;Source;Area\r\na;s;1\r\n");
    file.close();

    Start& first = start({}, kViewer);
    ASSERT_TRUE(waitUntil([&] { return publishedEndpoint(kViewer) == static_cast<std::uint32_t>(first.pid); }));
    Start& later = start({dataFile}, kViewer);
    EXPECT_TRUE(endsAsLaterStart(later)) << later.process->readAllStandardError().toStdString();
    EXPECT_TRUE(first.isRunning());

    first.process->terminate();
    EXPECT_TRUE(first.process->waitForFinished(20000));
    EXPECT_EQ(first.process->exitCode(), 0) << first.process->readAllStandardError().toStdString();
    EXPECT_FALSE(SharedMemoryBlock::open(blockNameOf(kViewer))) << "the block outlived the viewer";
}

} // namespace
} // namespace kvd
