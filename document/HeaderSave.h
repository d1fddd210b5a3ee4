#pragma once

#include <string>
#include <vector>

namespace kvd {

class FileSystem;

struct HeaderSaveResult {
    enum class Status {
        NoSuchFile, // the document's file no longer exists: nothing counted, moved or written
        Saved,      // the old file is now backupPath; fileName holds the new header and the old data
    };
    Status status = Status::NoSuchFile;
    std::string backupPath; // for Saved: fileName + ".~" + n
};

// Writes headerLines (bytes, one per line, no line ends) back into the data file
// fileName: the old file is kept whole under the next free backup name
// fileName + ".~" + n, and fileName then holds the header lines, a "[Data]" line and
// every line that followed the old file's first "[Data]" line, each ended by CR LF.
// When fileName is a symbolic link, the file it finally leads to is the one saved:
// its backup is made beside it, and the link stays a link.
//
// n is one more than the number of entries beside the file named after it + ".~"
// + anything (directories left out), raised past every number whose name is taken by
// any entry at all.
//
// The new file is written and synced first (without a name where the file system
// allows, else under a hidden temporary name), then the old file gets its backup name
// and the new one takes its place, so fileName always names a complete file and a
// save killed on the way leaves at most a temporary name, which a later save beside it
// removes once its process is gone. The data part is streamed, never held in memory
// whole. The new file keeps the old one's permission bits, less the set-user-ID and
// set-group-ID bits when the saver is not the old file's owner.
//
// The old file is opened once, after its links were followed, and read through that
// descriptor only, up to the size it had then: the file whose backup is made must be
// that one. Another entry that takes fileName's place during the save (a link to an
// endless device, say) is refused with a clear text, the folder left as found.
//
// Returns NoSuchFile, having changed nothing, when fileName names no entry or a
// directory. Throws kvd::Error with a clear text when the header cannot be saved (an
// IoError for a failed file-system call, carrying errno and the path): a header line
// holding CR or LF; a fileName holding a NUL byte; an old file without a line equal
// to "[Data]", or with a line that begins with "[Data]" and holds more before it; a
// file swapped in; a failed call. The file named fileName then still holds its old
// bytes, complete, no backup was made and no temporary file is left. Three rare
// failures leave another state and say so in their text: the directory could not be
// synced after a complete save; the new file could not take the document's name and
// the backup name could not be undone; a file swapped in got the backup name, which
// could not be undone.
HeaderSaveResult saveHeader(const std::string& fileName, const std::vector<std::string>& headerLines);

// The same through a file-system seam, so that tests can make each call fail.
HeaderSaveResult saveHeader(const std::string& fileName, const std::vector<std::string>& headerLines,
                            FileSystem& fileSystem);

} // namespace kvd
