// kvdreport's outputs far larger than their files stay within the load's own memory
// bound: the file, 16 bytes a row and 16 MiB, whatever they write.

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <string>
#include <vector>
#include <sys/stat.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true; // the shadow memory of the sanitizer would count
#else
constexpr bool Sanitized = false;
#endif

long kibOf(const std::string& path)
{
    struct stat status {};
    ::stat(path.c_str(), &status);
    return static_cast<long>(status.st_size / 1024);
}

struct LargeOutput {
    const char* name;
    std::string option;
    std::string header;
    std::string (*row)(int index);
    int rows;
};

const LargeOutput Cases[] = {
    // Ten lines of --check per row: 2,000,000 lines, 180 MB, from a 6 MB file.
    {"tenInvalidCellsPerRow", "--check", "Id;Src;A;B;C;D;E;F;G;H;I;J\r\no;s;1;1;1;1;1;1;1;1;1;1\r\n",
     [](int index) { return "o" + std::to_string(index) + ";s;x;x;x;x;x;x;x;x;x;x\r\n"; }, 200000},
    // Rows in pairs: 250,000 duplicate groups in JSON, 40 MB, from a 7 MB file.
    {"duplicatePairs", "--format=json", "Id;Src;A;B\r\n",
     [](int index) { return "k" + std::to_string(index / 2) + ";s;1;2\r\n"; }, 500000},
    // One group of 500,000 duplicate rows.
    {"oneDuplicateGroup", "--format=json", "Id;Src;A;B\r\n", [](int) { return std::string("a;b;1;2\r\n"); },
     500000},
};

TEST(KvdReportMemory, largeOutputsStayWithinTheLoadBound)
{
    if (Sanitized)
        GTEST_SKIP() << "peak memory is not measured under the address sanitizer";
    QTemporaryDir dir;
    for (const LargeOutput& c : Cases) {
        const std::string path = dir.filePath(QString::fromLatin1(c.name)).toStdString() + ".kvd";
        {
            std::ofstream file(path, std::ios::binary);
            file << "KVD\r\n[Data]\r\n" << c.header;
            for (int index = 1; index <= c.rows; ++index)
                file << c.row(index);
        }
        const kvdtest::ChildRun run = kvdtest::runChild({KVDREPORT_PATH, c.option, path}, kvdtest::Output::DevNull);
        EXPECT_NE(run.exitCode, 1) << c.name << ": " << run.err;
        const long boundKib = kibOf(path) + 16L * c.rows / 1024 + 16 * 1024;
        EXPECT_LE(run.peakKib, boundKib) << c.name;
    }
}

// Memory that runs out while a file's report is being written ends that file's report
// with a message; the files after it are still reported. The room for the duplicate
// groups is taken in one request of 8 bytes a duplicate row, which is the one refused.
TEST(KvdReportMemory, runningOutWhileWritingAReportGoesOnWithTheNextFile)
{
    if (Sanitized)
        GTEST_SKIP() << "the sanitizer's allocator cannot be preloaded over";
    QTemporaryDir dir;
    const std::string pairs = dir.filePath(QStringLiteral("pairs.kvd")).toStdString();
    constexpr int Duplicates = 50001;
    {
        std::ofstream file(pairs, std::ios::binary);
        file << "KVD\r\n[Data]\r\nId;Src;A;B\r\n";
        for (int index = 0; index < Duplicates; ++index)
            file << "k" << index << ";s;1;2\r\nk" << index << ";s;1;2\r\n";
    }
    const std::string example = KVD_EXAMPLES_DIR "/leaf_survey.kvd";
    const std::vector<std::string> refusing = {"LC_ALL=C.UTF-8", "LD_PRELOAD=" FAILING_ALLOCATION_PATH,
                                               "KVD_FAIL_ALLOCATION_OF=" + std::to_string(8 * Duplicates)};
    for (const char* format : {"--format=jsonl", "--format=json"}) {
        const kvdtest::ChildRun run =
            kvdtest::runChild({KVDREPORT_PATH, format, "-j", "1", pairs, example}, kvdtest::Output::Pipe, refusing);
        EXPECT_EQ(run.exitCode, 1) << format << ": " << run.err;
        EXPECT_EQ(run.err, pairs + ": Not enough memory to write the report\n") << format;
        EXPECT_NE(run.out.find('"' + example + '"'), std::string::npos) << format << ": " << run.out;
        EXPECT_EQ(run.out.find('"' + pairs + '"'), std::string::npos) << format;
    }
}

} // namespace
