#include "document/DocumentLoader.h"

#include "document/Document.h"
#include "summary/SummaryReport.h"

namespace kvd {

ReadResult loadDocument(Document& document, const LoadOptions& options)
{
    const ReadResult result = readDataFile(document, options.reader);
    if (result.status != ReadStatus::Read)
        return result;

    const int measurementCount = fillStatistics(document.table, result.kind, options.decimalSeparator,
                                                document.summary.statistics, options.warning,
                                                &document.summary.figures);
    writeSummaryReport(document.table, result.kind, measurementCount, document.encoding,
                       options.collationLocale, document.summary.report);
    document.summary.reportScrollBar = true;
    document.header.modified = false;
    return result;
}

} // namespace kvd
