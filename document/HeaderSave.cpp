#include "document/HeaderSave.h"

#include "common/Errors.h"
#include "common/FilePath.h"
#include "document/DataPartStream.h"
#include "document/FileSystem.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

namespace kvd {

namespace {

constexpr std::size_t BlockSize = 64 * 1024;

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

bool linkUnsupported(int errorCode)
{
    return errorCode == EPERM || errorCode == EOPNOTSUPP || errorCode == ENOSYS || errorCode == EMLINK;
}

bool noReplaceRenameUnsupported(int errorCode)
{
    return errorCode == EINVAL || errorCode == ENOSYS || errorCode == EOPNOTSUPP;
}

// An unnamed file (O_TMPFILE) cannot be made, or not given a name, here: older
// kernels take the flag for O_DIRECTORY (EISDIR), some file systems lack it, and
// naming it goes through /proc, which may be missing.
bool unnamedFileUnsupported(int errorCode)
{
    return errorCode == EOPNOTSUPP || errorCode == EISDIR || errorCode == EINVAL || errorCode == ENOSYS ||
           errorCode == ENOENT || errorCode == EPERM;
}

// Symbolic links followed one by one before the save gives up, as the kernel does.
constexpr int MaxLinkHops = 40;

// The process number in the name of a leftover temporary file "<prefix><pid>-<n>", or
// 0 when name is not one.
pid_t leftoverProcess(const std::string& name, const std::string& prefix)
{
    if (!name.starts_with(prefix))
        return 0;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    pid_t pid = 0;
    const auto [afterPid, error] = std::from_chars(first, last, pid);
    if (error != std::errc() || afterPid == first || afterPid == last || *afterPid != '-' || pid <= 0)
        return 0;
    unsigned attempt = 0;
    const auto [end, attemptError] = std::from_chars(afterPid + 1, last, attempt);
    return attemptError == std::errc() && end == last && end != afterPid + 1 ? pid : 0;
}

bool processIsGone(pid_t pid)
{
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes the temporary file on every way out unless it was moved into place.
class TemporaryFile {
public:
    TemporaryFile(FileSystem& fileSystem, std::string path) : m_fileSystem(fileSystem), m_path(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (m_path.empty())
            return;
        try {
            m_fileSystem.remove(m_path);
        } catch (...) {
            // Nothing better to do: the save already reports the first failure.
        }
    }
    const std::string& path() const { return m_path; }
    void keep() { m_path.clear(); }

private:
    FileSystem& m_fileSystem;
    std::string m_path;
};

// How the old file got its backup name.
enum class BackupMove { Linked, RenamedExclusively, Renamed };

// An error whose text already tells the state the save left behind.
class FinalIoError : public IoError {
public:
    using IoError::IoError;
};

class HeaderSaver {
public:
    HeaderSaver(FileSystem& fileSystem, const std::string& fileName, const std::vector<std::string>& headerLines)
        : m_fileSystem(fileSystem), m_fileName(fileName), m_parts(splitPath(fileName)), m_headerLines(headerLines)
    {
    }

    HeaderSaveResult run();

private:
    HeaderSaveResult save();
    void followLinks();
    void checkHeaderLines() const;
    std::optional<FileStatus> documentStatus();
    FileDescriptor openDocument(const FileStatus& seen);
    bool mayGiveSecondName(const FileStatus& document);
    unsigned long long countBackups();
    void removeLeftover(const std::string& name);
    std::string chooseBackupPath();
    std::string temporaryNamePrefix() const;
    std::string temporaryStem() const;
    bool writeTemporaryFile(std::optional<TemporaryFile>& temporary, const FileDescriptor& source, mode_t permissions,
                            bool unnamed);
    FileDescriptor createTemporaryFile(std::optional<TemporaryFile>& guard, mode_t permissions);
    FileDescriptor createUnnamedFile(mode_t permissions);
    void nameUnnamedFile(const FileDescriptor& file, std::optional<TemporaryFile>& guard);
    void writeNewFile(const FileDescriptor& source, const FileDescriptor& target);
    void copyDataPart(const FileDescriptor& source, const FileDescriptor& target);
    void write(const FileDescriptor& target, std::string& bytes);
    BackupMove keepOldFileAs(const std::string& backupPath, bool secondName);
    void checkBackupIsTheFileRead(BackupMove move, const std::string& backupPath);
    void undoBackup(BackupMove move, const std::string& backupPath, const IoError& cause, const std::string& kept);
    void replaceDocument(const std::string& temporaryPath, const std::string& backupPath, bool secondName);
    void syncDirectory(const std::string& backupPath);
    [[noreturn]] void notSaved(const std::string& reason) const;
    [[noreturn]] void notReplaced() const;

    FileSystem& m_fileSystem;
    std::string m_fileName; // the file the save rewrites: the given name's final link target
    PathParts m_parts;
    const std::vector<std::string>& m_headerLines;
    FileStatus m_source; // the file read: the one whose backup is made
    std::string m_doing; // what the save is doing, for the text of an IoError
};

HeaderSaveResult HeaderSaver::run()
{
    try {
        return save();
    } catch (const FinalIoError&) {
        throw;
    } catch (const IoError& error) {
        const std::string reason = error.errorCode() == EEXIST
                                       ? quoted(error.path()) + " already exists"
                                       : std::string(error.what());
        throw IoError(error.errorCode(), error.path(),
                      "The header was not saved and " + quoted(m_fileName) + " is unchanged: " + m_doing + ": " +
                          reason);
    }
}

HeaderSaveResult HeaderSaver::save()
{
    followLinks();
    const std::optional<FileStatus> status = documentStatus();
    if (!status)
        return {HeaderSaveResult::Status::NoSuchFile, {}};
    checkHeaderLines();
    const FileDescriptor source = openDocument(*status);
    const std::string backupPath = chooseBackupPath();
    const bool secondName = mayGiveSecondName(*status);
    // Set-id bits stay with a file only as long as its owner writes it.
    const mode_t permissions =
        status->owner == ::geteuid() ? status->permissions : mode_t(status->permissions & ~(S_ISUID | S_ISGID));

    std::optional<TemporaryFile> temporary;
    if (!writeTemporaryFile(temporary, source, permissions, true))
        writeTemporaryFile(temporary, source, permissions, false);
    replaceDocument(temporary->path(), backupPath, secondName);
    temporary->keep();
    syncDirectory(backupPath);
    return {HeaderSaveResult::Status::Saved, backupPath};
}

// A document opened through a symbolic link is saved where the link leads: the final
// target gets the backup beside itself and the new bytes, and the link stays a link.
void HeaderSaver::followLinks()
{
    const std::string given = m_fileName;
    for (int hops = 0;; ++hops) {
        m_doing = "cannot examine " + quoted(m_fileName);
        const std::optional<FileStatus> entry = m_fileSystem.linkStatus(m_fileName);
        if (!entry || entry->type != FileType::SymbolicLink)
            break;
        if (hops == MaxLinkHops)
            throw ioError(ELOOP, given);
        std::string target;
        try {
            target = m_fileSystem.readLink(m_fileName);
        } catch (const IoError& error) {
            if (error.errorCode() == EINVAL)
                continue; // no longer a link: replaced since it was examined
            throw;
        }
        m_fileName = target.starts_with('/') ? target : m_parts.directoryPrefix + target;
        m_parts = splitPath(m_fileName);
    }
}

// Writes the new file complete and synced, under a temporary name beside the
// document. An unnamed file gets that name only once it is complete, so that a save
// killed while writing leaves nothing behind. False, with nothing left behind, when
// an unnamed file cannot be had here.
bool HeaderSaver::writeTemporaryFile(std::optional<TemporaryFile>& temporary, const FileDescriptor& source,
                                     mode_t permissions, bool unnamed)
{
    FileDescriptor target;
    if (unnamed) {
        try {
            target = createUnnamedFile(permissions);
        } catch (const IoError& error) {
            if (unnamedFileUnsupported(error.errorCode()))
                return false;
            throw;
        }
    } else {
        target = createTemporaryFile(temporary, permissions);
    }
    writeNewFile(source, target);
    m_doing = "cannot write " + quoted(target.path());
    m_fileSystem.sync(target);
    if (unnamed) {
        try {
            nameUnnamedFile(target, temporary);
        } catch (const IoError& error) {
            if (unnamedFileUnsupported(error.errorCode()))
                return false;
            throw;
        }
    }
    m_doing = "cannot write " + quoted(temporary->path());
    m_fileSystem.close(std::move(target));
    return true;
}

void HeaderSaver::checkHeaderLines() const
{
    for (std::size_t i = 0; i < m_headerLines.size(); ++i) {
        if (m_headerLines[i].find_first_of("\r\n") != std::string::npos)
            notSaved("header line " + std::to_string(i + 1) + " holds a line break");
    }
}

// The document's file, when there is one: an entry that is not a directory. Other
// entries that are not plain files (a pipe, a device) are refused rather than read.
std::optional<FileStatus> HeaderSaver::documentStatus()
{
    m_doing = "cannot examine " + quoted(m_fileName);
    std::optional<FileStatus> status = m_fileSystem.status(m_fileName);
    if (!status || status->type == FileType::Directory)
        return std::nullopt;
    if (status->type != FileType::Regular)
        notSaved("it is not a plain file");
    return status;
}

// The document, opened once for the whole save: without following a link put in its
// place since its links were followed, without waiting on a pipe put there, and never
// to become a terminal's. It must be the plain file examined: a file swapped in
// meanwhile (a link to an endless device, say) is refused before a byte is read.
FileDescriptor HeaderSaver::openDocument(const FileStatus& seen)
{
    m_doing = "cannot read " + quoted(m_fileName);
    FileDescriptor file;
    try {
        file = m_fileSystem.open(m_fileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
    } catch (const IoError& error) {
        if (error.errorCode() == ELOOP)
            notReplaced();
        throw;
    }
    m_source = m_fileSystem.fileStatus(file);
    if (m_source.type != FileType::Regular || m_source.device != seen.device || m_source.inode != seen.inode)
        notReplaced();
    return file;
}

// Whether the old file may get its backup name as a second name while it keeps the
// document's. Not in a sticky folder of someone else for a file of someone else: the
// new file could then not take the document's name, nor the second name be undone.
bool HeaderSaver::mayGiveSecondName(const FileStatus& document)
{
    m_doing = "cannot examine the folder " + quoted(m_parts.directory());
    const std::optional<FileStatus> folder = m_fileSystem.status(m_parts.directory());
    const uid_t user = ::geteuid();
    return !folder || (folder->permissions & S_ISVTX) == 0 || folder->owner == user || document.owner == user;
}

// The backups already beside the document: entries named after it followed by ".~"
// and anything, directories left out. (An entry so named begins with a dot exactly
// when the document's name does, so hidden names need no rule of their own.)
// Temporary files left by saves of processes that no longer run are removed on the
// way.
unsigned long long HeaderSaver::countBackups()
{
    m_doing = "cannot list the folder " + quoted(m_parts.directory());
    const std::string prefix = m_parts.name + ".~";
    const std::string temporaryPrefix = temporaryNamePrefix();
    unsigned long long count = 0;
    std::vector<std::string> leftovers;
    for (const DirectoryEntry& entry : m_fileSystem.listDirectory(m_parts.directory())) {
        if (entry.name.starts_with(prefix) && entry.type != FileType::Directory)
            ++count;
        else if (entry.type == FileType::Regular)
            if (const pid_t pid = leftoverProcess(entry.name, temporaryPrefix); pid != 0 && processIsGone(pid))
                leftovers.push_back(entry.name);
    }
    for (const std::string& name : leftovers)
        removeLeftover(name);
    return count;
}

// Removes a leftover of ours; one that cannot be removed, or that is someone else's,
// is left alone: it takes nothing from the save.
void HeaderSaver::removeLeftover(const std::string& name)
{
    const std::string path = m_parts.directoryPrefix + name;
    try {
        const std::optional<FileStatus> status = m_fileSystem.linkStatus(path);
        if (status && status->type == FileType::Regular && status->owner == ::geteuid())
            m_fileSystem.remove(path);
    } catch (const IoError&) {
    }
}

// The first free name from one more than the backup count on. Any entry, a directory
// or a dangling link included, makes a number taken: nothing is ever written over.
std::string HeaderSaver::chooseBackupPath()
{
    unsigned long long number = countBackups() + 1;
    for (;;) {
        std::string candidate = m_fileName + ".~" + std::to_string(number);
        m_doing = "cannot examine " + quoted(candidate);
        if (!m_fileSystem.linkStatus(candidate))
            return candidate;
        ++number;
    }
}

// ".<name>.saving-": how the temporary names of every save of this document begin.
std::string HeaderSaver::temporaryNamePrefix() const
{
    // Shortened so that the name stays within the file system's limit.
    return "." + m_parts.name.substr(0, 200) + ".saving-";
}

// "<folder>/.<name>.saving-<pid>-": the temporary names of this process, numbered on.
std::string HeaderSaver::temporaryStem() const
{
    return m_parts.directoryPrefix + temporaryNamePrefix() + std::to_string(::getpid()) + "-";
}

// A new hidden file beside the document, with the document's permission bits.
FileDescriptor HeaderSaver::createTemporaryFile(std::optional<TemporaryFile>& guard, mode_t permissions)
{
    m_doing = "cannot create a file in the folder " + quoted(m_parts.directory());
    const std::string stem = temporaryStem();
    for (int attempt = 1;; ++attempt) {
        const std::string path = stem + std::to_string(attempt);
        try {
            FileDescriptor file = m_fileSystem.open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY, 0600);
            guard.emplace(m_fileSystem, path);
            m_doing = "cannot write " + quoted(path);
            m_fileSystem.setPermissions(file, permissions);
            return file;
        } catch (const IoError& error) {
            if (error.errorCode() != EEXIST || attempt == 100)
                throw;
        }
    }
}

// A new file without a name in the document's folder, with the document's permission
// bits. Its descriptor carries the temporary names' stem, for error texts.
FileDescriptor HeaderSaver::createUnnamedFile(mode_t permissions)
{
    m_doing = "cannot create a file in the folder " + quoted(m_parts.directory());
    FileDescriptor opened = m_fileSystem.open(m_parts.directory(), O_TMPFILE | O_WRONLY, 0600);
    FileDescriptor file(opened.release(), temporaryStem());
    m_doing = "cannot write " + quoted(file.path());
    m_fileSystem.setPermissions(file, permissions);
    return file;
}

// Gives the complete unnamed file the first free temporary name.
void HeaderSaver::nameUnnamedFile(const FileDescriptor& file, std::optional<TemporaryFile>& guard)
{
    const std::string stem = temporaryStem();
    for (int attempt = 1;; ++attempt) {
        const std::string path = stem + std::to_string(attempt);
        m_doing = "cannot name the new file " + quoted(path);
        try {
            m_fileSystem.linkOpenFile(file, path);
            guard.emplace(m_fileSystem, path);
            return;
        } catch (const IoError& error) {
            if (error.errorCode() != EEXIST || attempt == 100)
                throw;
        }
    }
}

void HeaderSaver::writeNewFile(const FileDescriptor& source, const FileDescriptor& target)
{
    std::string header;
    for (const std::string& line : m_headerLines) {
        header += line;
        header += "\r\n";
    }
    header += "[Data]\r\n";
    write(target, header);
    copyDataPart(source, target);
}

// Streams the lines after the source's first "[Data]" line into target, one block at
// a time, from the source's first byte to the size it had when it was opened.
void HeaderSaver::copyDataPart(const FileDescriptor& source, const FileDescriptor& target)
{
    std::string block(BlockSize, '\0');
    std::string out;
    out.reserve(2 * BlockSize + 2);
    DataPartStream stream;
    for (std::uint64_t offset = 0; offset < m_source.size && stream.state() != DataPartStream::State::Ambiguous;) {
        m_doing = "cannot read " + quoted(m_fileName);
        const auto ask = static_cast<std::size_t>(std::min<std::uint64_t>(BlockSize, m_source.size - offset));
        const std::size_t count = m_fileSystem.read(source, std::span<char>(block.data(), ask), offset);
        if (count == 0)
            break; // cut short since it was opened
        offset += count;
        stream.feed(std::string_view(block.data(), count), out);
        write(target, out);
    }
    if (stream.finish(out) == DataPartStream::State::Ambiguous)
        notSaved("its line " + std::to_string(stream.lineNumber()) +
                 " begins with \"[Data]\" but holds more, so where its data begins is unclear");
    if (stream.state() != DataPartStream::State::InData)
        notSaved("it has no line \"[Data]\" to tell its data from its header (a learning file has no header to save)");
    write(target, out);
}

// Writes bytes and empties them.
void HeaderSaver::write(const FileDescriptor& target, std::string& bytes)
{
    m_doing = "cannot write " + quoted(target.path());
    m_fileSystem.writeAll(target, bytes);
    bytes.clear();
}

// Gives the old file its backup name without giving up the document's name, where
// the file system allows a second name, and never writing over an entry.
BackupMove HeaderSaver::keepOldFileAs(const std::string& backupPath, bool secondName)
{
    m_doing = "cannot keep the old file as " + quoted(backupPath);
    if (secondName) {
        try {
            m_fileSystem.link(m_fileName, backupPath);
            return BackupMove::Linked;
        } catch (const IoError& error) {
            if (!linkUnsupported(error.errorCode()))
                throw;
        }
    }
    try {
        m_fileSystem.renameNoReplace(m_fileName, backupPath);
        return BackupMove::RenamedExclusively;
    } catch (const IoError& error) {
        if (!noReplaceRenameUnsupported(error.errorCode()))
            throw;
    }
    if (m_fileSystem.linkStatus(backupPath))
        throw ioError(EEXIST, backupPath);
    m_fileSystem.rename(m_fileName, backupPath);
    return BackupMove::Renamed;
}

// The entry that got the backup name must be the file read: one swapped in under the
// document's name since is given its name back, and the save refused.
void HeaderSaver::checkBackupIsTheFileRead(BackupMove move, const std::string& backupPath)
{
    m_doing = "cannot examine " + quoted(backupPath);
    try {
        const std::optional<FileStatus> kept = m_fileSystem.linkStatus(backupPath);
        if (kept && kept->type == FileType::Regular && kept->device == m_source.device &&
            kept->inode == m_source.inode)
            return;
    } catch (const IoError& error) {
        undoBackup(move, backupPath, error, "the old file");
        throw;
    }
    const std::string swapped = "another file took the name " + quoted(m_fileName) + " while it was being saved";
    m_doing = "cannot take back the name " + quoted(backupPath);
    undoBackup(move, backupPath, IoError(EEXIST, m_fileName, swapped), "the file that took its name");
    notReplaced();
}

// Takes the backup name away again, as keepOldFileAs gave it, after `cause` ended the
// save. When that fails too, the error says where `kept` (the file that got the
// backup name) is.
void HeaderSaver::undoBackup(BackupMove move, const std::string& backupPath, const IoError& cause,
                             const std::string& kept)
{
    try {
        if (move == BackupMove::Linked)
            m_fileSystem.remove(backupPath);
        else if (move == BackupMove::RenamedExclusively)
            m_fileSystem.renameNoReplace(backupPath, m_fileName);
        else
            m_fileSystem.rename(backupPath, m_fileName);
    } catch (const IoError&) {
        const std::string left = move == BackupMove::Linked ? "; " + kept + " also bears the name " + quoted(backupPath)
                                                            : "; " + kept + " is kept as " + quoted(backupPath);
        throw FinalIoError(cause.errorCode(), cause.path(),
                           "The header was not saved: " + m_doing + ": " + cause.what() + left);
    }
}

// Moves the old file to its backup name and the new file into its place. When the
// second move fails, the first is undone.
void HeaderSaver::replaceDocument(const std::string& temporaryPath, const std::string& backupPath, bool secondName)
{
    const BackupMove move = keepOldFileAs(backupPath, secondName);
    checkBackupIsTheFileRead(move, backupPath);
    try {
        m_fileSystem.rename(temporaryPath, m_fileName);
    } catch (const IoError& error) {
        m_doing = "cannot put the new file in place of " + quoted(m_fileName);
        undoBackup(move, backupPath, error, "the old file");
        throw;
    }
}

// Makes the two new names durable. The save is complete by now, so a failure here
// says so.
void HeaderSaver::syncDirectory(const std::string& backupPath)
{
    try {
        const FileDescriptor directory = m_fileSystem.open(m_parts.directory(), O_RDONLY | O_DIRECTORY);
        try {
            m_fileSystem.sync(directory);
        } catch (const IoError& error) {
            if (error.errorCode() != EINVAL) // a file system that cannot sync a folder
                throw;
        }
    } catch (const IoError& error) {
        throw FinalIoError(error.errorCode(), error.path(),
                           "The header of " + quoted(m_fileName) + " was saved and the old file kept as " +
                               quoted(backupPath) + ", but the folder " + quoted(m_parts.directory()) +
                               " could not be written to disk: " + error.what());
    }
}

void HeaderSaver::notSaved(const std::string& reason) const
{
    throw Error("The header was not saved and " + quoted(m_fileName) + " is unchanged: " + reason);
}

void HeaderSaver::notReplaced() const
{
    notSaved("another file took its name while it was being saved");
}

} // namespace

HeaderSaveResult saveHeader(const std::string& fileName, const std::vector<std::string>& headerLines)
{
    RealFileSystem fileSystem;
    return saveHeader(fileName, headerLines, fileSystem);
}

HeaderSaveResult saveHeader(const std::string& fileName, const std::vector<std::string>& headerLines,
                            FileSystem& fileSystem)
{
    refuseNulByte(fileName);
    return HeaderSaver(fileSystem, fileName, headerLines).run();
}

} // namespace kvd
