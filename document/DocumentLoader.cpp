#include "document/DocumentLoader.h"

#include "common/Errors.h"
#include "document/Document.h"
#include "summary/SummaryReport.h"

#include <new>

namespace kvd {

namespace {

ReadResult fillDocument(Document& document, const LoadOptions& options)
{
    const ReadResult result
        = readDataFile(document.fileName, {document.header, document.table, document.encoding}, options.reader);
    if (result.status != ReadStatus::Read)
        return result;

    const int measurementCount = fillStatistics(document.table, result.kind, options.decimalSeparator,
                                                document.summary.statistics, options.warning);
    writeSummaryReport(document.table, result.kind, measurementCount, document.encoding,
                       options.collationLocale, document.summary.report);
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
        throw Error("Not enough memory to read the file " + document.fileName + ".");
    }
}

} // namespace kvd
