#include "datafile/DataFileReader.h"

#include "common/Errors.h"
#include "common/FilePath.h"
#include "common/RetryOnInterrupt.h"
#include "datafile/FileBytes.h"
#include "datafile/DataTable.h"
#include "datafile/HeaderText.h"
#include "datafile/LineReader.h"
#include "datafile/SplitFields.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <limits>
#include <memory>

namespace kvd {

namespace {

// Progress is reported after every this many bytes of the table.
constexpr std::uint64_t ProgressStep = std::uint64_t(4) << 20;

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// The kind the first line tells, tested in this order and case-sensitively.
FileKind kindOfFirstLine(std::string_view firstLine)
{
    if (startsWith(firstLine, "KVD"))
        return FileKind::Kvd;
    if (startsWith(firstLine, "WU"))
        return FileKind::Wum;
    if (startsWith(firstLine, "LEARNING"))
        return FileKind::Learning;
    return FileKind::Unknown;
}

// KVD and WUM headers: every line after the first, up to the first line that begins
// with "[Data]". In a file without such a line, the last line is left out. The header
// keeps no line of its own: it finds them in the file's bytes. Returns the number of
// header lines, the first line included.
std::uint64_t readKvdHeader(HeaderText& header, const std::shared_ptr<FileBytes>& bytes, const FileLine& firstLine,
                            LineReader& lines)
{
    FileLine line = lines.next();
    const std::uint64_t bodyStart = line.start;
    std::uint64_t bodyNext = bodyStart;
    std::uint64_t lineCount = 1;
    if (!startsWith(line.text, "[Data]")) {
        for (;;) {
            bodyNext = line.next;
            ++lineCount;
            line = lines.next();
            if (startsWith(line.text, "[Data]") || lines.atEnd())
                break;
        }
    }
    header.setFileHeader(bytes, firstLine.next, bodyStart, bodyNext);
    header.verticalScrollBar = true;
    return lineCount;
}

void readLearningHeader(HeaderText& header, const std::shared_ptr<FileBytes>& bytes, const FileLine& firstLine)
{
    header.readOnly = true;
    header.setLearningHeader(bytes, firstLine.next);
}

// Fields 0 and 1 of a line, and whether it holds a field 1 at all (a separator that is
// not its last character).
struct LeadingFields {
    std::string_view first;
    std::string_view second;
    bool hasSecond = false;
};

LeadingFields leadingFields(std::string_view line, char separator)
{
    LeadingFields fields;
    FieldScanner scanner(line, separator);
    scanner.next(fields.first);
    fields.hasSecond = scanner.next(fields.second);
    return fields;
}

// Fits the data grid's columns 0 and (for the KVD kinds) 1 to their widest text, and
// raises the list index errors of a missing field.
class ColumnFitter {
public:
    ColumnFitter(DataTable& table, FileKind kind, const TextWidthMeasure& textWidth)
        : m_table(table), m_textWidth(textWidth), m_fitsSource(isKvdKind(kind))
    {
    }

    // The column names: the widths are set, even below the default.
    void fitNames(std::string_view columnNames, char separator)
    {
        const LeadingFields names = leadingFields(columnNames, separator);
        if (columnNames.empty())
            throw listIndexError(0);
        m_table.setColumnWidth(0, widthOf(names.first) + CellPadding);
        if (!m_fitsSource)
            return;
        if (!names.hasSecond)
            throw listIndexError(1);
        m_table.setColumnWidth(1, widthOf(names.second) + CellPadding);
    }

    // An object line: a column grows to fit a wider cell.
    void fitRow(std::string_view line, char separator)
    {
        const LeadingFields cells = leadingFields(line, separator);
        if (m_textWidth)
            widen(0, cells.first);
        if (!m_fitsSource)
            return;
        if (!cells.hasSecond)
            throw listIndexError(1);
        if (m_textWidth)
            widen(1, cells.second);
    }

private:
    static constexpr int CellPadding = 6; // pixels around a cell's text

    // Capped so that adding the padding cannot overflow, whatever a huge cell measures.
    int widthOf(std::string_view text) const
    {
        return m_textWidth ? std::clamp(m_textWidth(text), 0, INT_MAX - CellPadding) : 0;
    }

    void widen(int columnIndex, std::string_view text)
    {
        const int width = widthOf(text);
        if (width > m_table.columnWidth(columnIndex) - CellPadding)
            m_table.setColumnWidth(columnIndex, width + CellPadding);
    }

    DataTable& m_table;
    const TextWidthMeasure& m_textWidth;
    bool m_fitsSource;
};

LimitError tooManyColumnsError(std::size_t count)
{
    return LimitError("The column-name line has " + std::to_string(count) + " columns; a data table holds at most "
                 + std::to_string(INT_MAX) + ".");
}

LimitError lineTooLongError(std::size_t length)
{
    return LimitError("A line of " + std::to_string(length) + " bytes is longer than the longest line a data file may hold ("
                 + std::to_string(std::numeric_limits<std::uint32_t>::max()) + " bytes).");
}

LimitError tooManyRowsError()
{
    return LimitError("The data table has more than " + std::to_string(INT_MAX - 1)
                 + " object lines, more than a data table can hold.");
}

// Rows are counted from the first ones read, so that the row index is sized once:
// fewer than 4096, for the index (a row start for each row, the column names' and
// one past the last) has not yet doubled its room past 4096 then.
constexpr int RowsForEstimate = 4000;

// Column names, then one row per line up to the first empty line or the end.
void readTable(DataTable& table, FileKind kind, LineReader& lines, const FileLine& columnNames,
               const ReaderOptions& options)
{
    const char separator = fieldSeparator(kind);
    table.setSeparator(separator);
    if (columnNames.text.size() > std::numeric_limits<std::uint32_t>::max())
        throw lineTooLongError(columnNames.text.size());
    const std::size_t columnCount = countFields(columnNames.text, separator);
    if (columnCount > static_cast<std::size_t>(INT_MAX))
        throw tooManyColumnsError(columnCount);
    table.setColumnCount(static_cast<int>(columnCount));
    table.addRow(columnNames.start, columnNames.next);

    FileLine row = lines.next();
    ColumnFitter fitter(table, kind, options.textWidth);
    fitter.fitNames(columnNames.text, separator);

    const std::uint64_t total = lines.size();
    const std::uint64_t firstRowStart = row.start;
    std::uint64_t nextProgress = row.start + ProgressStep;
    while (!row.text.empty()) {
        if (table.rowCount() == INT_MAX)
            throw tooManyRowsError();
        if (row.text.size() > std::numeric_limits<std::uint32_t>::max())
            throw lineTooLongError(row.text.size());
        table.addRow(row.start, row.next);
        fitter.fitRow(row.text, separator);
        if (table.rowCount() == RowsForEstimate + 1) {
            const double bytesPerRow = double(row.next - firstRowStart) / RowsForEstimate;
            const double expected = RowsForEstimate + double(total - std::min(total, row.next)) / bytesPerRow * 1.05;
            table.reserveRows(static_cast<std::size_t>(std::min(expected + 1024.0, double(INT_MAX))));
        }
        if (options.progress && row.start >= nextProgress) {
            options.progress(total + row.start, 2 * total);
            nextProgress = row.start + ProgressStep;
        }
        row = lines.next();
    }
}

// False when nothing is found at path. What is found and cannot be read (a folder,
// a socket, a file without permission) is left to the reading, which says why.
bool namesAnEntry(const std::string& path)
{
    struct stat status {};
    if (path.empty())
        return false;
    if (retryOnInterrupt([&] { return ::stat(path.c_str(), &status); }) == 0)
        return true;
    return errno != ENOENT && errno != ENOTDIR;
}

} // namespace

ReadResult readDataFile(const std::string& path, const ReadTarget& target, const ReaderOptions& options)
{
    refuseNulByte(path);
    if (!namesAnEntry(path))
        return {ReadStatus::NoSuchFile, FileKind::Unknown};

    // Reading the file counts as the first half of the work, its table as the second.
    FileReadOptions readOptions;
    readOptions.regularFilesOnly = options.regularFilesOnly;
    readOptions.sizeLimit = std::min(options.sizeLimit, MaxDataFileSize); // the table's row starts need it
    if (options.progress)
        readOptions.progress = [&](std::uint64_t done, std::uint64_t size) { options.progress(done, 2 * size); };
    auto bytes = std::make_shared<FileBytes>(readFileBytes(path, readOptions));
    target.encoding = detectEncoding(bytes->view());
    DataTable& table = target.table;
    table.setBytes(bytes);
    LineReader lines(bytes->data(), bytes->size());

    const FileLine firstLine = lines.next();
    FileKind kind = kindOfFirstLine(firstLine.text);
    HeaderText& header = target.header;
    std::uint64_t headerLineCount = 0;
    if (kind == FileKind::Kvd || kind == FileKind::Wum)
        headerLineCount = readKvdHeader(header, bytes, firstLine, lines);
    else if (kind == FileKind::Learning)
        readLearningHeader(header, bytes, firstLine);
    header.modified = false;
    if (kind == FileKind::Unknown) {
        table.setBytes(nullptr);
        return {ReadStatus::UnknownFormat, kind};
    }

    const FileLine columnNames = lines.next();
    if (kind == FileKind::Learning && columnNames.text.find("FIT_") != std::string_view::npos)
        kind = FileKind::LearningFromWum;
    readTable(table, kind, lines, columnNames, options);

    table.setFixedRowCount(1);
    table.setFixedColumnCount(isKvdKind(kind) ? 2 : 1);
    if (options.progress)
        options.progress(2 * lines.size(), 2 * lines.size());
    // Learning files name their columns on line 2; the others after the header's
    // lines and the "[Data]" line.
    const std::uint64_t columnNameLineNumber = isLearningKind(kind) ? 2 : headerLineCount + 2;
    return {ReadStatus::Read, kind, columnNameLineNumber};
}

} // namespace kvd
