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
// The data part is streamed, never held in memory whole.
// Throws kvd::Error with a clear text when the header cannot be saved; the file
// named fileName then still holds its old bytes, complete, and no backup was made.
HeaderSaveResult saveHeader(const std::string& fileName, const std::vector<std::string>& headerLines);

// The same through a file-system seam, so that tests can make each call fail.
HeaderSaveResult saveHeader(const std::string& fileName, const std::vector<std::string>& headerLines,
                            FileSystem& fileSystem);

} // namespace kvd
