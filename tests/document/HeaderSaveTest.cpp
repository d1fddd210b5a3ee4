#include "document/HeaderSave.h"

#include "FaultyFileSystem.h"
#include "common/Errors.h"
#include "common/FilePath.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

namespace kvd {
namespace {

// The folder a save makes its backup and new file in, and the name it gives them.
// A viewer started with standard input closed gets descriptor 0 for the first file it
// opens; that is a descriptor like any other.
TEST(RealFileSystemOpen, takesDescriptorZeroWhenStandardInputIsClosed)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("f")).toStdString();
    const int savedInput = ::dup(STDIN_FILENO);
    ASSERT_GE(savedInput, 0);
    ::close(STDIN_FILENO);
    bool opened = false;
    int descriptor = -1;
    try {
        RealFileSystem files;
        FileDescriptor file = files.open(path, O_WRONLY | O_CREAT | O_EXCL, 0600);
        opened = file.isOpen();
        descriptor = file.get();
    } catch (const Error&) {
    }
    ::dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
    EXPECT_TRUE(opened);
    EXPECT_EQ(descriptor, 0);
}

TEST(PathParts, splitANameFromItsFolder)
{
    const struct {
        std::string path, directory, name;
    } cases[] = {
        {"a/b.kvd", "a", "b.kvd"},
        {"/data/x/b.kvd", "/data/x", "b.kvd"},
        {"/b.kvd", "/", "b.kvd"},
        {"b.kvd", ".", "b.kvd"},
    };
    for (const auto& c : cases) {
        const PathParts parts = splitPath(c.path);
        EXPECT_EQ(parts.directory(), c.directory) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
    }
}

namespace fs = std::filesystem;
using Names = std::set<std::string>;

const std::string KvdFile = "KVD file\r\n[Image]\r\nPixel=0.1\r\n[Data]\r\nId;Src;Area\r\n1;a;2.5\r\n";
const std::vector<std::string> KvdHeader = {"KVD file", "[Image]", "Pixel=0.1"};
const std::string KvdData = "[Data]\r\nId;Src;Area\r\n1;a;2.5\r\n";

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

Names entryNames(const std::string& directory)
{
    Names names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

// The header lines the reader gives a KVD file: its lines, CRs dropped, up to the first
// line from line 2 on that begins with "[Data]".
std::vector<std::string> readerHeaderLines(const std::string& bytes)
{
    std::vector<std::string> lines(1);
    for (const char byte : bytes) {
        if (byte == '\n') {
            if (lines.size() > 1 && lines.back().starts_with("[Data]"))
                break;
            lines.emplace_back();
        } else if (byte != '\r') {
            lines.back() += byte;
        }
    }
    lines.pop_back();
    return lines;
}

class HeaderSaveTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_directory.filePath(QString::fromStdString(name)).toStdString(); }
    std::string directory() const { return m_directory.path().toStdString(); }

    QTemporaryDir m_directory;
    const std::string m_document = path("sample.kvd");
    const std::string m_firstBackup = m_document + ".~1";
};

TEST_F(HeaderSaveTest, writesHeaderThenDataLinesWithCrLfAndKeepsOldFileAsBackup)
{
    struct Case {
        const char* name;
        std::string oldBytes;
        std::vector<std::string> header;
        std::string newBytes;
    };
    const Case cases[] = {
        {"editedHeader", KvdFile, {"KVD file", "[Image]", "Pixel=0.2", "Note=é"},
         "KVD file\r\n[Image]\r\nPixel=0.2\r\nNote=é\r\n" + KvdData},
        {"emptiedHeader", KvdFile, {}, KvdData},
        {"typedDataLineWrittenUnchanged", KvdFile, {"KVD file", "[Data]"}, "KVD file\r\n[Data]\r\n" + KvdData},
        {"linesAfterFirstEmptyDataLineCopied", "KVD\r\n[Data]\r\nId;Src;A\r\n1;a;2\r\n\r\nlate;b;3\r\n", {"KVD"},
         "KVD\r\n[Data]\r\nId;Src;A\r\n1;a;2\r\n\r\nlate;b;3\r\n"},
        {"lfLineEndsBecomeCrLf", "KVD\n[Data]\nId;Src;A\n1;a;2\n", {"KVD"}, "KVD\r\n[Data]\r\nId;Src;A\r\n1;a;2\r\n"},
        {"lastLineWithoutLineEndGetsOne", "KVD\r\n[Data]\r\nId;Src;A\r\n1;a;2", {"KVD"},
         "KVD\r\n[Data]\r\nId;Src;A\r\n1;a;2\r\n"},
        {"dataLineLastGetsOneEmptyLine", "KVD\r\n[Data]\r\n", {"KVD"}, "KVD\r\n[Data]\r\n\r\n"},
        {"dataLineLastWithoutLineEnd", "KVD\n[Data]", {"KVD"}, "KVD\r\n[Data]\r\n\r\n"},
        {"loneCarriageReturnsDropped", "KVD\r\n[Da\rta]\r\r\nId;S\rrc\r\n", {"KVD"}, "KVD\r\n[Data]\r\nId;Src\r\n"},
        {"dataLineOnFirstLine", "[Data]\r\nId;Src;A\r\n", {"KVD"}, "KVD\r\n[Data]\r\nId;Src;A\r\n"},
        {"laterDataLinesAreData", "KVD\r\n[Data]\r\nId\r\n[Data]\r\n", {"KVD"}, "KVD\r\n[Data]\r\nId\r\n[Data]\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir scratch;
        const std::string document = scratch.filePath("sample.kvd").toStdString();
        writeBytes(document, c.oldBytes);

        const HeaderSaveResult result = saveHeader(document, c.header);

        EXPECT_EQ(result.status, HeaderSaveResult::Status::Saved);
        EXPECT_EQ(result.backupPath, document + ".~1");
        EXPECT_EQ(readBytes(document), c.newBytes);
        EXPECT_EQ(readBytes(document + ".~1"), c.oldBytes);
        EXPECT_EQ(entryNames(scratch.path().toStdString()), (Names{"sample.kvd", "sample.kvd.~1"}));
    }
}

TEST_F(HeaderSaveTest, numbersBackupOneAboveTheCountAndSkipsTakenNames)
{
    enum class Kind { File, Directory, DanglingLink };
    struct Entry {
        std::string name;
        Kind kind = Kind::File;
    };
    struct Case {
        const char* name;
        std::string document;
        std::vector<Entry> entries;
        std::string backup;
    };
    const Case cases[] = {
        {"none", "sample.kvd", {}, "sample.kvd.~1"},
        {"oneToThree", "sample.kvd", {{"sample.kvd.~1"}, {"sample.kvd.~2"}, {"sample.kvd.~3"}}, "sample.kvd.~4"},
        {"gapBelowCountNotFilled", "sample.kvd", {{"sample.kvd.~1"}, {"sample.kvd.~3"}}, "sample.kvd.~4"},
        {"highNumberAlone", "sample.kvd", {{"sample.kvd.~5"}}, "sample.kvd.~2"},
        {"anyRunCounts", "sample.kvd", {{"sample.kvd.~old"}}, "sample.kvd.~2"},
        {"emptyRunCounts", "sample.kvd", {{"sample.kvd.~"}}, "sample.kvd.~2"},
        {"otherNamesAndLetterCaseNotCounted", "sample.kvd",
         {{"Sample.kvd.~1"}, {"sample.kvd~1"}, {"sample.kvd.bak"}, {"sample.kv.~1"}, {".sample.kvd.~1"}},
         "sample.kvd.~1"},
        {"directoryNotCountedButTaken", "sample.kvd", {{"sample.kvd.~1", Kind::Directory}}, "sample.kvd.~2"},
        {"directoryAboveCountTaken", "sample.kvd", {{"sample.kvd.~1"}, {"sample.kvd.~2", Kind::Directory}},
         "sample.kvd.~3"},
        {"danglingLinkCountedAndTaken", "sample.kvd", {{"sample.kvd.~2", Kind::DanglingLink}}, "sample.kvd.~3"},
        {"dotDocumentCountsItsDotBackups", ".sample.kvd", {{".sample.kvd.~1"}, {".sample.kvd.~3"}},
         ".sample.kvd.~4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir scratch;
        const std::string dir = scratch.path().toStdString() + "/";
        for (const Entry& entry : c.entries) {
            if (entry.kind == Kind::Directory)
                fs::create_directory(dir + entry.name);
            else if (entry.kind == Kind::DanglingLink)
                fs::create_symlink("nowhere", dir + entry.name);
            else
                writeBytes(dir + entry.name, "old backup " + entry.name);
        }
        writeBytes(dir + c.document, KvdFile);

        EXPECT_EQ(saveHeader(dir + c.document, KvdHeader).backupPath, dir + c.backup);
        EXPECT_EQ(readBytes(dir + c.backup), KvdFile);
        for (const Entry& entry : c.entries) {
            if (entry.kind == Kind::File) {
                EXPECT_EQ(readBytes(dir + entry.name), "old backup " + entry.name);
            } else if (entry.kind == Kind::Directory) {
                EXPECT_TRUE(fs::is_directory(dir + entry.name));
            }
        }
    }
}

TEST_F(HeaderSaveTest, refusesAndChangesNothingWhenDataCannotBeToldFromHeader)
{
    struct Case {
        const char* name;
        std::string oldBytes;
        std::vector<std::string> header;
        std::string reason;
    };
    const Case cases[] = {
        {"learningFile", "LEARNING\r\nId;Src;A;Group;Status\r\n1;a;2;g;Learning\r\n", {"LEARNING", "(No Header)"},
         "it has no line \"[Data]\""},
        {"lowerCaseDataLine", "KVD\r\n[data]\r\nId;Src;A\r\n", {"KVD"}, "it has no line \"[Data]\""},
        {"dataLineWithMoreCharactersOnly", "KVD\r\n[Data] extra\r\nId;Src;A\r\n", {"KVD"},
         "its line 2 begins with \"[Data]\" but holds more"},
        {"inexactDataLineBeforeExactOne", "KVD\r\n[Data] (1)\r\nId;Src;A\r\n1;a;2\r\n[Data]\r\nx\r\n", {"KVD"},
         "its line 2 begins with \"[Data]\" but holds more"},
        {"headerLineWithLineBreak", KvdFile, {"KVD file", "a\nb"}, "header line 2 holds a line break"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(m_document, c.oldBytes);
        try {
            saveHeader(m_document, c.header);
            ADD_FAILURE() << "saved";
        } catch (const Error& error) {
            const std::string text = error.what();
            EXPECT_TRUE(text.starts_with("The header was not saved and \"" + m_document + "\" is unchanged: " + c.reason))
                << text;
        }
        EXPECT_EQ(readBytes(m_document), c.oldBytes);
        EXPECT_EQ(entryNames(directory()), Names{"sample.kvd"});
    }
}

TEST_F(HeaderSaveTest, secondSaveMakesSecondBackupOfFirstResult)
{
    writeBytes(m_document, "KVD\n[Data]\nId;Src;A\n");
    saveHeader(m_document, {"KVD", "Edit=1"});
    const HeaderSaveResult second = saveHeader(m_document, {"KVD", "Edit=2"});

    EXPECT_EQ(second.backupPath, m_document + ".~2");
    EXPECT_EQ(readBytes(m_firstBackup), "KVD\n[Data]\nId;Src;A\n");
    EXPECT_EQ(readBytes(m_document + ".~2"), "KVD\r\nEdit=1\r\n[Data]\r\nId;Src;A\r\n");
    EXPECT_EQ(readBytes(m_document), "KVD\r\nEdit=2\r\n[Data]\r\nId;Src;A\r\n");
}

TEST_F(HeaderSaveTest, unchangedHeaderOfNonAsciiFileRewritesSameBytes)
{
    const std::string files[] = {
        "KVD\r\n[\xC3\x89" "chantillon]\r\nNom=caf\xC3\xA9 \xE2\x82\xAC\r\n\r\n[Data]\r\nId;Src;A\r\n\xC3\xA9lan;s;1\r\n",
        "KVD\r\n[\xC9" "chantillon]\r\nNom=caf\xE9 \x80\x81\xFF\r\n[Data]\r\nId;Src;A\r\n\xE9lan;s;1\r\n",
    };
    for (const std::string& bytes : files) {
        writeBytes(m_document, bytes);
        saveHeader(m_document, readerHeaderLines(bytes));
        EXPECT_EQ(readBytes(m_document), bytes);
    }
}

TEST_F(HeaderSaveTest, streamsLinesAcrossBlockBoundaries)
{
    std::string data = "[Data]\r\nId;Src;A\r\n";
    for (int row = 0; data.size() < 200'000; ++row)
        data += std::to_string(row) + ";source;" + std::to_string(row * 7) + "\r\n";
    // Moves "[Data]" and every later line end across the 64 KiB block boundaries.
    for (std::size_t shift = 0; shift < 9; ++shift) {
        SCOPED_TRACE(shift);
        const std::string longLine(65536 - 5 - shift, 'x');
        writeBytes(m_document, "KVD\r\n" + longLine + "\n" + data);
        fs::remove(m_firstBackup);

        saveHeader(m_document, {"KVD", longLine});
        EXPECT_EQ(readBytes(m_document), "KVD\r\n" + longLine + "\r\n" + data);
    }
}

TEST_F(HeaderSaveTest, missingFileOrDirectoryIsNotSavedAndNothingIsWritten)
{
    fs::create_directory(path("folder.kvd"));
    EXPECT_EQ(saveHeader(m_document, KvdHeader).status, HeaderSaveResult::Status::NoSuchFile);
    EXPECT_EQ(saveHeader(path("folder.kvd"), KvdHeader).status, HeaderSaveResult::Status::NoSuchFile);
    EXPECT_EQ(entryNames(directory()), Names{"folder.kvd"});
}

TEST_F(HeaderSaveTest, newFileKeepsPermissionBitsWhateverTheUmask)
{
    const mode_t oldUmask = ::umask(077);
    for (const mode_t mode : {mode_t(0664), mode_t(0444)}) {
        SCOPED_TRACE(mode);
        writeBytes(m_document, KvdFile);
        ::chmod(m_document.c_str(), mode);
        fs::remove(m_firstBackup);
        saveHeader(m_document, KvdHeader);
        struct stat info {};
        ::stat(m_document.c_str(), &info);
        EXPECT_EQ(info.st_mode & 07777, mode);
    }
    ::umask(oldUmask);
}

TEST_F(HeaderSaveTest, relativeNameGetsRelativeBackupBesideIt)
{
    const fs::path oldWorkingDirectory = fs::current_path();
    fs::current_path(directory());
    writeBytes("sample.kvd", KvdFile);
    const HeaderSaveResult result = saveHeader("sample.kvd", KvdHeader);
    fs::current_path(oldWorkingDirectory);

    EXPECT_EQ(result.backupPath, "sample.kvd.~1");
    EXPECT_EQ(readBytes(m_firstBackup), KvdFile);
}

TEST_F(HeaderSaveTest, pipeUnderTheNameIsRefusedWithoutWaiting)
{
    ASSERT_EQ(::mkfifo(m_document.c_str(), 0600), 0);
    EXPECT_THROW(saveHeader(m_document, KvdHeader), Error);
    EXPECT_EQ(entryNames(directory()), Names{"sample.kvd"});
}

TEST_F(HeaderSaveTest, symbolicLinkIsSavedThroughToItsFinalTargetAndStaysALink)
{
    fs::create_directories(path("real/deeper"));
    writeBytes(path("real/deeper/t.kvd"), KvdFile);
    fs::create_symlink("deeper/t.kvd", path("real/hop.kvd"));
    fs::create_symlink("real/hop.kvd", m_document); // relative targets, two hops

    const HeaderSaveResult result = saveHeader(m_document, {"KVD file", "Edit=1"});

    EXPECT_EQ(result.backupPath, directory() + "/real/deeper/t.kvd.~1");
    EXPECT_TRUE(fs::is_symlink(m_document));
    EXPECT_EQ(fs::read_symlink(m_document), "real/hop.kvd");
    EXPECT_EQ(readBytes(m_document), "KVD file\r\nEdit=1\r\n" + KvdData);
    EXPECT_FALSE(fs::is_symlink(result.backupPath));
    EXPECT_EQ(readBytes(result.backupPath), KvdFile);
    EXPECT_EQ(entryNames(directory()), (Names{"real", "sample.kvd"}));
    EXPECT_EQ(entryNames(path("real/deeper")), (Names{"t.kvd", "t.kvd.~1"}));
}

// Another program swaps the document and a link to /dev/zero (renameat2 with
// RENAME_EXCHANGE) over and over while the header is saved again and again. Each save
// either completes from the plain file or is refused with a clear text; none reads the
// device, no backup is ever the link, and no temporary file is left.
TEST_F(HeaderSaveTest, aFileSwappedForALinkToAnEndlessDeviceIsNeverReadNorKept)
{
    writeBytes(m_document, KvdFile);
    const std::string other = path("other.kvd");
    fs::create_symlink("/dev/zero", other);
    std::atomic<bool> stop = false;
    std::atomic<int> swaps = 0;
    std::jthread swapper([&] {
        while (!stop) {
            if (::renameat2(AT_FDCWD, m_document.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE) == 0)
                ++swaps;
        }
    });
    while (swaps == 0)
        std::this_thread::yield();
    int saved = 0;
    std::set<std::string> refusals;
    for (int attempt = 0; attempt < 150; ++attempt) {
        try {
            saved += saveHeader(m_document, KvdHeader).status == HeaderSaveResult::Status::Saved ? 1 : 0;
        } catch (const Error& error) {
            refusals.insert(error.what());
        }
    }
    stop = true;
    swapper.join();
    // The swaps over, a save of the plain file, under whichever name it is, succeeds.
    const std::string plain = fs::is_symlink(m_document) ? other : m_document;
    EXPECT_EQ(saveHeader(plain, KvdHeader).status, HeaderSaveResult::Status::Saved);

    const std::set<std::string> expected = {
        "The header was not saved and \"" + m_document + "\" is unchanged: another file took its name while it was "
        "being saved",
        "The header was not saved and \"" + m_document + "\" is unchanged: it is not a plain file",
        "The header was not saved and \"/dev/zero\" is unchanged: it is not a plain file"};
    for (const std::string& text : refusals)
        EXPECT_TRUE(expected.contains(text)) << text;
    // Every save kept one backup, every entry is the link or a complete file (a save
    // writes the same bytes again), and the plain file is under one of the two names.
    int backups = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory())) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        if (entry.is_symlink()) {
            EXPECT_EQ(fs::read_symlink(entry.path()), "/dev/zero");
            EXPECT_TRUE(name == "sample.kvd" || name == "other.kvd");
            continue;
        }
        EXPECT_EQ(readBytes(entry.path().string()), KvdFile);
        backups += name.starts_with("sample.kvd.~") || name.starts_with("other.kvd.~") ? 1 : 0;
        EXPECT_TRUE(name.starts_with("sample.kvd") || name.starts_with("other.kvd"));
    }
    EXPECT_EQ(backups, saved + 1);
}

// The save reads the document up to the size it had when it was opened: bytes added
// meanwhile (or an endless file) are not read, and stay in the backup.
TEST_F(HeaderSaveTest, bytesAddedDuringTheSaveAreLeftToTheBackup)
{
    writeBytes(m_document, KvdFile);
    test::FaultyFileSystem fileSystem;
    fileSystem.beforeCall = [&] {
        if (fileSystem.log.back().starts_with("read"))
            std::ofstream(m_document, std::ios::binary | std::ios::app) << "2;b;3.5\r\n";
    };
    saveHeader(m_document, {"KVD file", "Edit=1"}, fileSystem);
    EXPECT_EQ(readBytes(m_document), "KVD file\r\nEdit=1\r\n" + KvdData);
    EXPECT_TRUE(readBytes(m_firstBackup).starts_with(KvdFile + "2;b;3.5\r\n"));
}

// A save killed in the middle of its write, in a child process.
void saveKilledWhileWriting(const std::string& document, const std::map<std::string, int>& unsupported)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        test::FaultyFileSystem fileSystem;
        fileSystem.unsupported = unsupported;
        int writes = 0;
        fileSystem.beforeCall = [&] {
            if (fileSystem.log.back().starts_with("writeAll") && ++writes == 2)
                ::raise(SIGKILL);
        };
        try {
            saveHeader(document, {"KVD file", "Edit=1"}, fileSystem);
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

TEST_F(HeaderSaveTest, saveKilledWhileWritingLeavesNothingOrALeftoverThatTheNextSaveRemoves)
{
    std::string data = "[Data]\r\nId;Src;A\r\n";
    while (data.size() < 300'000)
        data += "1;source;2.5\r\n";
    const std::string oldBytes = "KVD\r\n" + data;
    writeBytes(m_document, oldBytes);

    saveKilledWhileWriting(m_document, {});
    EXPECT_EQ(entryNames(directory()), Names{"sample.kvd"});

    // Where a file cannot be made without a name, the killed save leaves its
    // temporary file; the next save removes it, but not one of a running process.
    saveKilledWhileWriting(m_document, {{"openUnnamed", EOPNOTSUPP}});
    const std::string running = ".sample.kvd.saving-" + std::to_string(::getppid()) + "-1";
    writeBytes(path(running), "in use");
    EXPECT_EQ(entryNames(directory()).size(), 3u);
    EXPECT_EQ(readBytes(m_document), oldBytes);

    saveHeader(m_document, {"KVD"});
    EXPECT_EQ(entryNames(directory()), (Names{"sample.kvd", "sample.kvd.~1", running}));
    EXPECT_EQ(readBytes(m_document), oldBytes);
}

TEST_F(HeaderSaveTest, newFileIsSyncedBeforeAnyNameChanges)
{
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        QTemporaryDir scratch;
        const std::string document = scratch.filePath("sample.kvd").toStdString();
        writeBytes(document, KvdFile);
        test::FaultyFileSystem fileSystem;
        if (!unnamed)
            fileSystem.unsupported = {{"openUnnamed", EOPNOTSUPP}};
        saveHeader(document, KvdHeader, fileSystem);

        const auto at = [&](const std::string& entry) {
            return std::find_if(fileSystem.log.begin(), fileSystem.log.end(),
                                [&](const std::string& line) { return line.starts_with(entry); }) -
                   fileSystem.log.begin();
        };
        const auto sync = at("sync " + scratch.path().toStdString() + "/.sample.kvd.saving-");
        const auto lastWrite = std::find_if(fileSystem.log.rbegin(), fileSystem.log.rend(), [](const std::string& line) {
                                   return line.starts_with("writeAll");
                               }).base() - fileSystem.log.begin();
        ASSERT_LT(sync, std::ssize(fileSystem.log));
        EXPECT_LT(lastWrite, sync + 1);
        EXPECT_LT(sync, at("link " + document));
        EXPECT_LT(sync, at("rename"));
        EXPECT_LT(sync, at("linkOpenFile"));
        EXPECT_EQ(at("linkOpenFile") < std::ssize(fileSystem.log), unnamed);
        // Then the two new names are made durable: the folder is synced last.
        EXPECT_LT(at("rename " + scratch.path().toStdString() + "/.sample.kvd.saving-"), std::ssize(fileSystem.log) - 1);
        EXPECT_EQ(fileSystem.log.back(), "sync " + scratch.path().toStdString());
    }
}

// A file of another user in a folder that everyone may write into, as /tmp: the saver
// may not take its name away, so the save fails, and leaves the folder as it was.
TEST_F(HeaderSaveTest, othersFileInStickyFolderFailsCleanlyAndLosesItsSetIdBitsWhenRewritten)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as two users";
    writeBytes(m_document, KvdFile);
    ::chmod(m_document.c_str(), 0666);
    ::chmod(directory().c_str(), 01777);
    ASSERT_EQ(::seteuid(65534), 0);
    EXPECT_THROW(saveHeader(m_document, KvdHeader), IoError);
    EXPECT_THROW(saveHeader(m_document, KvdHeader), IoError);
    ASSERT_EQ(::seteuid(0), 0);
    EXPECT_EQ(entryNames(directory()), Names{"sample.kvd"});
    EXPECT_EQ(readBytes(m_document), KvdFile);

    // Root rewrites a set-id file of another user.
    ASSERT_EQ(::chown(m_document.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(m_document.c_str(), 06755), 0);
    saveHeader(m_document, KvdHeader);
    struct stat info {};
    ::stat(m_document.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    ::stat(m_firstBackup.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 06755u);
}

// Root may write into a read-only folder: run as root, the save is made as the user
// nobody, who may read the file but not write into the folder.
TEST_F(HeaderSaveTest, readOnlyFolderLeavesFileUnchanged)
{
    writeBytes(m_document, KvdFile);
    ::chmod(m_document.c_str(), 0644);
    ::chmod(directory().c_str(), 0555);
    const bool asRoot = ::geteuid() == 0;
    ASSERT_TRUE(!asRoot || ::seteuid(65534) == 0);
    int errorCode = 0;
    try {
        saveHeader(m_document, KvdHeader);
    } catch (const IoError& error) {
        errorCode = error.errorCode();
        EXPECT_TRUE(std::string(error.what()).ends_with(": Accès au fichier refusé")) << error.what();
    }
    ASSERT_TRUE(!asRoot || ::seteuid(0) == 0);
    ::chmod(directory().c_str(), 0700);

    EXPECT_EQ(errorCode, EACCES);
    EXPECT_EQ(readBytes(m_document), KvdFile);
    EXPECT_EQ(entryNames(directory()), Names{"sample.kvd"});
}

// File systems differ in how the old file gets its backup name: a second name, an
// exclusive rename, or a plain rename after checking the name is free.
struct MoveScenario {
    const char* name;
    std::map<std::string, int> unsupported;
};
const MoveScenario MoveScenarios[] = {
    {"hardLinks", {}},
    {"noHardLinks", {{"link", EPERM}}},
    {"plainRenameOnly", {{"link", EPERM}, {"renameNoReplace", EINVAL}}},
    {"noUnnamedFiles", {{"openUnnamed", EOPNOTSUPP}}},
};

void PrintTo(const MoveScenario& scenario, std::ostream* out)
{
    *out << scenario.name;
}

class HeaderSaveMoves : public testing::TestWithParam<MoveScenario> {};

// A folder holding sample.kvd (KvdFile), saved through a file system of the scenario's kind.
struct MoveSetting {
    explicit MoveSetting(const MoveScenario& scenario)
    {
        writeBytes(document, KvdFile);
        fileSystem.unsupported = scenario.unsupported;
    }
    std::string folder() const { return scratch.path().toStdString(); }

    QTemporaryDir scratch;
    const std::string document = scratch.filePath("sample.kvd").toStdString();
    test::FaultyFileSystem fileSystem;
};

INSTANTIATE_TEST_SUITE_P(FileSystems, HeaderSaveMoves, testing::ValuesIn(MoveScenarios),
                         [](const testing::TestParamInfo<MoveScenario>& scenario) { return std::string(scenario.param.name); });

TEST_P(HeaderSaveMoves, failureOfAnyCallNeverLosesOrTruncatesTheFile)
{
    const std::string newBytes = "KVD file\r\nEdit=1\r\n" + KvdData;
    const MoveScenario& scenario = GetParam();
    int failures = 0;
    for (int failingCall = 1; failingCall < 100; ++failingCall) {
        SCOPED_TRACE(std::string(scenario.name) + " call " + std::to_string(failingCall));
        MoveSetting setting(scenario);
        const std::string& document = setting.document;
        const std::string backup = document + ".~1";
        test::FaultyFileSystem& fileSystem = setting.fileSystem;
        fileSystem.failCalls = {failingCall};
        fileSystem.beforeCall = [&] {
            const std::string now = fs::exists(document) ? readBytes(document) : "";
            EXPECT_TRUE(now == KvdFile || now == newBytes || readBytes(backup) == KvdFile) << now;
        };
        try {
            saveHeader(document, {"KVD file", "Edit=1"}, fileSystem);
        } catch (const IoError& error) {
            ++failures;
            const std::string text = error.what();
            EXPECT_TRUE(text.ends_with(": Erreur E/S 5")) << text;
            if (text.starts_with("The header was not saved and \"" + document + "\" is unchanged: cannot ")) {
                EXPECT_EQ(readBytes(document), KvdFile);
                EXPECT_EQ(entryNames(setting.folder()), Names{"sample.kvd"});
                continue;
            }
            // The folder could not be synced after a complete save.
            EXPECT_TRUE(text.starts_with("The header of \"" + document + "\" was saved")) << text;
        }
        EXPECT_EQ(readBytes(document), newBytes);
        EXPECT_EQ(readBytes(backup), KvdFile);
        EXPECT_EQ(entryNames(setting.folder()), (Names{"sample.kvd", "sample.kvd.~1"}));
        if (fileSystem.log.size() < std::size_t(failingCall))
            break; // the save ran to its end without reaching the failing call
    }
    EXPECT_GE(failures, 10) << scenario.name;
}

TEST_P(HeaderSaveMoves, failedUndoOfBackupNameIsReportedWithWhereTheOldFileIs)
{
    const MoveScenario& scenario = GetParam();
    MoveSetting setting(scenario);
    const std::string& document = setting.document;
    test::FaultyFileSystem& fileSystem = setting.fileSystem;
    // Fails the move of the new file into place, then the undo that follows it.
    fileSystem.beforeCall = [&] {
        if (fileSystem.log.back().starts_with("rename " + setting.folder() + "/.sample.kvd.saving"))
            fileSystem.failCalls = {int(fileSystem.log.size()), int(fileSystem.log.size()) + 1};
    };

    try {
        saveHeader(document, KvdHeader, fileSystem);
        ADD_FAILURE() << "saved";
    } catch (const IoError& error) {
        const std::string text = error.what();
        EXPECT_TRUE(text.starts_with("The header was not saved: cannot put the new file in place of")) << text;
        const bool linked = !scenario.unsupported.contains("link");
        const std::string where = linked ? "the old file also bears the name \"" : "the old file is kept as \"";
        EXPECT_TRUE(text.ends_with(where + document + ".~1\"")) << text;
    }
    EXPECT_EQ(readBytes(document + ".~1"), KvdFile);
    const bool linked = !scenario.unsupported.contains("link");
    if (linked) {
        EXPECT_EQ(readBytes(document), KvdFile);
    } else {
        EXPECT_FALSE(fs::exists(document));
    }
    EXPECT_EQ(entryNames(setting.folder()).size(), linked ? 2u : 1u);
}

TEST_P(HeaderSaveMoves, backupNameTakenDuringTheSaveIsNeverWrittenOver)
{
    MoveSetting setting(GetParam());
    const std::string& document = setting.document;
    test::FaultyFileSystem& fileSystem = setting.fileSystem;
    fileSystem.beforeCall = [&] {
        if (fileSystem.log.back().starts_with("sync"))
            writeBytes(document + ".~1", "another program's file");
    };
    try {
        saveHeader(document, KvdHeader, fileSystem);
        ADD_FAILURE() << "saved";
    } catch (const IoError& error) {
        EXPECT_EQ(std::string(error.what()), "The header was not saved and \"" + document +
                                                 "\" is unchanged: cannot keep the old file as \"" + document +
                                                 ".~1\": \"" + document + ".~1\" already exists");
    }
    EXPECT_EQ(readBytes(document), KvdFile);
    EXPECT_EQ(readBytes(document + ".~1"), "another program's file");
    EXPECT_EQ(entryNames(setting.folder()), (Names{"sample.kvd", "sample.kvd.~1"}));
}

} // namespace
} // namespace kvd
