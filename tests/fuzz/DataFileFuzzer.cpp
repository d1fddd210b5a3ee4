// Feeds arbitrary bytes through the loader: reader, statistics and summary report.
// Any input must end in a loaded document, "Unknow file format" or a kvd::Error,
// never a crash, and what was loaded must be consistent.
#include "common/Errors.h"
#include "document/Document.h"
#include "document/DocumentLoader.h"
#include "summary/ReportLines.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The input as a file the reader can open, without touching the disk.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : m_fd(memfd_create("kvd-fuzz", 0))
    {
        check(m_fd >= 0, "memfd_create");
        for (std::size_t done = 0; done < size;) {
            const ssize_t written = write(m_fd, data + done, size - done);
            check(written > 0, "write to memfd");
            done += static_cast<std::size_t>(written);
        }
    }
    ~MemoryFile() { close(m_fd); }
    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};

void touchEverything(const kvd::Document& document)
{
    const kvd::DataTable& table = document.table;
    check(table.rowCount() >= 1 && table.columnCount() >= 1, "a table has a row and a column");
    std::size_t total = 0;
    const int rows = table.rowCount() < 64 ? table.rowCount() : 64;
    const int columns = table.columnCount() < 64 ? table.columnCount() : 64;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const std::string_view cell = table.cell(r, c);
            check(cell.find('\n') == std::string_view::npos, "no line end inside a cell");
            total += cell.size();
        }
    for (const kvd::HeaderLine& line : document.header.lines)
        total += line.text().size();
    const kvd::StatisticsTable& statistics = document.summary.statistics;
    for (int r = 0; r < statistics.rowCount(); ++r)
        for (int c = 0; c < kvd::StatisticsTable::ColumnCount; ++c)
            total += statistics.cell(r, c).size();
    const kvd::ReportLines lines(document.summary.report, document.table);
    for (std::size_t index = 0; index < lines.count(); ++index) {
        const kvd::ReportLineTarget target = lines.target(index);
        check(target.row < document.table.rowCount(), "report lines name rows of the table");
        total += lines.line(index).size();
    }
    check(total < (std::size_t(1) << 40), "what was read fits the input");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file(data, size);
    kvd::Document document;
    document.fileName = file.path();
    kvd::LoadOptions options;
    options.reader.textWidth = [](std::string_view text) { return static_cast<int>(text.size() % 977); };
    options.decimalSeparator = size % 2 ? ',' : '.';
    options.collationLocale = QLocale::c();
    options.warning = [](const std::string& message) {
        check(message.rfind("WARNING: \"", 0) == 0, "warnings start with WARNING");
    };
    try {
        const kvd::ReadResult result = kvd::loadDocument(document, options);
        check(result.status != kvd::ReadStatus::NoSuchFile, "an existing file is found");
        if (result.status == kvd::ReadStatus::Read) {
            check(document.table.fixedRowCount() == 1, "one fixed row");
            check(document.table.objectCount() >= 1, "a complete table has an object row");
            check(document.summary.report.done != kvd::SummaryReport::Step::None, "a complete load has a report");
        }
    } catch (const kvd::Error& error) {
        check(error.what()[0] != '\0', "errors say something");
    }
    touchEverything(document);
    return 0;
}
