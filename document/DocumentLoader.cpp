#include "document/DocumentLoader.h"

#include "common/Errors.h"
#include "document/Document.h"
#include "summary/SummaryReport.h"

#include <exception>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

namespace kvd {

namespace {

ReadResult fillDocument(Document& document, const LoadOptions& options)
{
    const ReadResult result
        = readDataFile(document.fileName, {document.header, document.table, document.encoding}, options.reader);
    if (result.status != ReadStatus::Read)
        return result;
    document.columnNameLineNumber = result.columnNameLineNumber;

    // The summary report is computed beside the statistics, on a thread of its own, into
    // a report of its own: it needs only the measurement count, which the first row
    // tells. The document receives it once the statistics are done, as if it had been
    // written after them; an error of the statistics still leaves no report.
    const int expectedCount = countMeasurements(document.table, result.kind, options.decimalSeparator);
    SummaryReport report;
    std::exception_ptr reportFailure;
    {
        std::optional<std::jthread> reportThread; // joined on leaving the block, also by an exception
        auto writeReport = [&] {
            try {
                writeSummaryReport(document.table, result.kind, expectedCount, document.encoding,
                                   options.collationLocale, report);
            } catch (...) {
                reportFailure = std::current_exception();
            }
        };
        try {
            reportThread.emplace(writeReport);
        } catch (const std::system_error&) {
            // No thread to be had: the report is written after the statistics.
        }
        // It returns expectedCount: both count by the same trial conversion.
        fillStatistics(document.table, result.kind, options.decimalSeparator, document.summary.statistics,
                       options.warning, &document.summary.figures);
        if (!reportThread)
            writeReport();
    }
    document.summary.report = std::move(report);
    if (reportFailure)
        std::rethrow_exception(reportFailure);
    document.summary.reportScrollBar = true;
    document.header.modified = false;
    return result;
}

} // namespace

ReadResult loadDocument(Document& document, const LoadOptions& options)
{
    try {
        return fillDocument(document, options);
    } catch (const std::bad_alloc&) {
        // Wherever memory ran out in the load, the user is told the same thing.
        throw OutOfMemoryError("Not enough memory to read the file " + document.fileName + ".");
    }
}

} // namespace kvd
