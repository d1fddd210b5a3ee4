// kvdreport's messages through the real program: each says what happened to what.

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <string>

namespace {

using kvdtest::ChildRun;
using kvdtest::Output;

ChildRun report(const std::vector<std::string>& arguments, Output output = Output::Pipe)
{
    std::vector<std::string> command{KVDREPORT_PATH};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return kvdtest::runChild(command, output);
}

// A listening socket bound at path; closed at the end of the test.
class BoundSocket {
public:
    explicit BoundSocket(const std::string& path) : m_descriptor(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::copy_n(path.begin(), std::min(path.size(), sizeof address.sun_path - 1), address.sun_path);
        m_bound = ::bind(m_descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~BoundSocket() { ::close(m_descriptor); }
    bool bound() const { return m_bound; }

private:
    int m_descriptor;
    bool m_bound = false;
};

// A folder and a socket are named as what they are, in the text's message and in the
// JSON error, never as a missing file or a bare error number.
TEST(KvdReportMessages, aFolderOrASocketIsNamedAsWhatItIs)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string socketPath = folder + "/data.kvd";
    const BoundSocket socket(socketPath);
    ASSERT_TRUE(socket.bound());
    const struct {
        std::string path;
        std::string what;
    } cases[] = {{folder, "a folder"}, {socketPath, "a socket"}};
    for (const auto& c : cases) {
        const std::string message = "The file " + c.path + " is " + c.what + ": only files, pipes and devices can be read.";
        const ChildRun text = report({c.path});
        EXPECT_EQ(text.exitCode, 1);
        EXPECT_EQ(text.err, message + "\n");
        const ChildRun json = report({"--format=json", c.path});
        EXPECT_EQ(json.exitCode, 1);
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json.out));
        EXPECT_EQ(document[QLatin1String("error")].toString().toStdString(), message) << json.out;
    }
}

TEST(KvdReportMessages, noMeasurementPointsToTheFirstObjectLine)
{
    const std::string path = KVD_TEST_DATA_DIR "/kvd_without_measurement.kvd";
    const ChildRun check = report({"--check", path});
    EXPECT_EQ(check.exitCode, 3);
    // Line 3 names the columns; the first object follows it.
    EXPECT_EQ(check.out, path + ":4: no measurement: the first object line holds no number past the identifiers\n");
}

TEST(KvdReportMessages, helpThatCannotBeWrittenFailsWithItsReason)
{
    const ChildRun written = report({"--help"});
    EXPECT_EQ(written.exitCode, 0);
    EXPECT_NE(written.out.find("--help"), std::string::npos);
    const ChildRun full = kvdtest::runChild({"/bin/sh", "-c", "exec \"$0\" --help > /dev/full", KVDREPORT_PATH},
                                            Output::Pipe);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "kvdreport: cannot write the help: Disque plein\n");
}

// Every option the help lists works: --help-all, which had no meaning here, is gone.
TEST(KvdReportMessages, helpListsOnlyOptionsThatWork)
{
    const ChildRun help = report({"--help"});
    EXPECT_EQ(help.out.find("--help-all"), std::string::npos) << help.out;
    const ChildRun all = report({"--help-all"});
    EXPECT_EQ(all.exitCode, 2);
    EXPECT_NE(all.err.find("Unknown option 'help-all'"), std::string::npos) << all.err;
}

} // namespace
