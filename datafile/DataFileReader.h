#pragma once

#include "datafile/FileKind.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace kvd {

struct Document;

// The width in pixels of a text (the file's bytes) in the data grid's font.
using TextWidthMeasure = std::function<int(std::string_view text)>;
// Called now and then while a file is read, with the work done so far out of the whole
// work, in bytes: each byte of the file counts twice, once read and once scanned.
using ReadProgress = std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)>;

struct ReaderOptions {
    TextWidthMeasure textWidth; // none: every text is 0 pixels wide
    ReadProgress progress;      // optional
};

enum class ReadStatus {
    NoSuchFile,    // no file of that name: the document stays empty, no message
    UnknownFormat, // the first line matches no kind: "Unknow file format"
    Read,          // header and data table are complete
};

struct ReadResult {
    ReadStatus status = ReadStatus::NoSuchFile;
    FileKind kind = FileKind::Unknown;
    // The number of the column-name line in the file, counting from 1 (Read only). The
    // object lines follow it without a gap: object row r is line columnNameLineNumber + r.
    std::uint64_t columnNameLineNumber = 0;
};

// The largest file the reader accepts; a larger one is refused with a clear message.
inline constexpr std::uint64_t MaxDataFileSize = std::uint64_t(4) << 30;

// Reads the data file named document.fileName into the document: decides the
// kind, fills the header text, the data table with its fitted column widths, and
// sets the fixed rows and columns. The document's header is left not modified.
// Throws kvd::Error (IoError for the file system, the table's limit errors with their
// French texts) and leaves the document as far as it was filled.
ReadResult readDataFile(Document& document, const ReaderOptions& options);

} // namespace kvd
