// kvdreport's outputs far larger than their files stay within the load's own memory
// bound: the file, 16 bytes a row and 16 MiB, whatever they write.

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <string>
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

} // namespace
