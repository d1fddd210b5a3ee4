#include "datafile/DataFileReader.h"

#include "common/Errors.h"
#include "common/FilePath.h"
#include "datafile/FileBytes.h"
#include "datafile/LineReader.h"
#include "datafile/SplitFields.h"
#include "document/Document.h"

#include <algorithm>
#include <climits>

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
// with "[Data]". In a file without such a line, the last line is left out.
void readKvdHeader(HeaderText& header, std::string_view firstLine, LineReader& lines)
{
    header.appendLine(std::string(firstLine), header_styles::firstLine);
    std::string_view line = lines.text(lines.next());
    if (!startsWith(line, "[Data]")) {
        for (;;) {
            header.appendStyledLine(std::string(line));
            line = lines.text(lines.next());
            if (startsWith(line, "[Data]") || lines.atEnd())
                break;
        }
    }
    header.verticalScrollBar = true;
}

void readLearningHeader(HeaderText& header, std::string_view firstLine)
{
    header.readOnly = true;
    header.appendLine(std::string(firstLine), header_styles::firstLine);
    header.appendLine("(No Header)", header_styles::noHeader);
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
    const std::size_t end = line.find(separator);
    fields.first = line.substr(0, end);
    if (end != std::string_view::npos && end + 1 < line.size()) {
        fields.hasSecond = true;
        fields.second = fieldAt(line.substr(end + 1), separator, 0);
    }
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

Error tooManyColumnsError(std::size_t count)
{
    return Error("The column-name line has " + std::to_string(count) + " columns; a data table holds at most "
                 + std::to_string(INT_MAX) + ".");
}

Error tooManyRowsError()
{
    return Error("The data table has more than " + std::to_string(INT_MAX - 1)
                 + " object lines, more than a data table can hold.");
}

// Column names, then one row per line up to the first empty line or the end.
void readTable(DataTable& table, FileKind kind, LineReader& lines, LineSpan columnNames,
               const ReaderOptions& options)
{
    const char separator = fieldSeparator(kind);
    table.setSeparator(separator);
    const std::string_view names = lines.text(columnNames);
    const std::size_t columnCount = countFields(names, separator);
    if (columnCount > static_cast<std::size_t>(INT_MAX))
        throw tooManyColumnsError(columnCount);
    table.setColumnCount(static_cast<int>(columnCount));
    table.setColumnNameLine(columnNames.offset, columnNames.length);

    LineSpan row = lines.next();
    ColumnFitter fitter(table, kind, options.textWidth);
    fitter.fitNames(names, separator);

    if (row.length != 0) {
        const std::size_t objectCount = 1 + lines.linesBeforeEmptyLine();
        table.reserveRows(1 + std::min<std::size_t>(objectCount, INT_MAX - 1));
    }
    const std::uint64_t total = lines.size();
    std::uint64_t nextProgress = row.offset + ProgressStep;
    while (row.length != 0) {
        if (table.rowCount() == INT_MAX)
            throw tooManyRowsError();
        table.appendRow(row.offset, row.length);
        fitter.fitRow(lines.text(row), separator);
        if (options.progress && row.offset >= nextProgress) {
            options.progress(total + row.offset, 2 * total);
            nextProgress = row.offset + ProgressStep;
        }
        row = lines.next();
    }
}

} // namespace

ReadResult readDataFile(Document& document, const ReaderOptions& options)
{
    if (!isExistingFile(document.fileName))
        return {ReadStatus::NoSuchFile, FileKind::Unknown};

    // Reading the file counts as the first half of the work, its table as the second.
    FileReadProgress readProgress;
    if (options.progress)
        readProgress = [&](std::uint64_t done, std::uint64_t size) { options.progress(done, 2 * size); };
    std::string bytes = readFileBytes(document.fileName, readProgress);
    document.encoding = detectEncoding(bytes);
    DataTable& table = document.table;
    table.setBytes(std::move(bytes));
    LineReader lines(table.mutableBytes(), table.bytes().size());

    const std::string_view firstLine = lines.text(lines.next());
    FileKind kind = kindOfFirstLine(firstLine);
    HeaderText& header = document.header;
    if (kind == FileKind::Kvd || kind == FileKind::Wum)
        readKvdHeader(header, firstLine, lines);
    else if (kind == FileKind::Learning)
        readLearningHeader(header, firstLine);
    header.modified = false;
    if (kind == FileKind::Unknown) {
        table.setBytes({});
        return {ReadStatus::UnknownFormat, kind};
    }

    const LineSpan columnNames = lines.next();
    if (kind == FileKind::Learning && lines.text(columnNames).find("FIT_") != std::string_view::npos)
        kind = FileKind::LearningFromWum;
    readTable(table, kind, lines, columnNames, options);

    table.setFixedRowCount(1);
    table.setFixedColumnCount(isKvdKind(kind) ? 2 : 1);
    if (options.progress)
        options.progress(2 * lines.size(), 2 * lines.size());
    // Learning files name their columns on line 2; the others after the header's
    // lines and the "[Data]" line.
    const std::uint64_t columnNameLineNumber = isLearningKind(kind) ? 2 : header.lines.size() + 2;
    return {ReadStatus::Read, kind, columnNameLineNumber};
}

} // namespace kvd
