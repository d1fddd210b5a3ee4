#pragma once

#include "datafile/DataFileReader.h"
#include "summary/MeasurementStatistics.h"

#include <QLocale>

namespace kvd {

struct Document;

struct LoadOptions {
    ReaderOptions reader;
    char decimalSeparator = '.';
    QLocale collationLocale;  // the user's locale by default; the document keeps it
    WarningSink warning;      // per-column statistics warnings; none: dropped
};

// Loads document.fileName into the document: reads the file, then fills the
// measurement statistics and writes the summary report, and leaves the header not
// modified. Returns what the reader found; for NoSuchFile and UnknownFormat the
// summary is not built. Throws kvd::Error, also "Not enough memory to read the file
// ..." when an allocation fails anywhere in the load; the document then holds what was
// filled before the error.
ReadResult loadDocument(Document& document, const LoadOptions& options);

} // namespace kvd
