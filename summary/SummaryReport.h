#pragma once

#include "datafile/FileKind.h"
#include "datafile/TextEncoding.h"
#include "summary/RowSet.h"
#include "summary/Tally.h"

#include <QLocale>

#include <vector>

namespace kvd {

class DataTable;

using ReportTally = Tally;

// Where the report finds its columns, by position: -1 where a kind has none.
struct ReportColumns {
    int source = 1;
    int status = -1;
    int group = -1;
};

// What the summary report found in a loaded table, held as row indexes into the
// table (never as copies of its texts): duplicate rows cost about a bit per table row.
// ReportLines turns it into the lines the Summary page and kvdreport show.
struct SummaryReport {
    // The steps of the report, in the order they are written. A step's facts are
    // complete once `done` has passed it; a report left by an error shows the steps
    // done before it.
    enum class Step { None, Size, Duplicates, Sources, Statuses, Groups };

    FileKind kind = FileKind::Unknown;
    int objectCount = 0;
    int measurementCount = 0;
    ReportColumns columns;
    Step done = Step::None;

    // Object rows whose key (object then source) an earlier row already had, in row order.
    RowSet duplicateRows;
    // The distinct sources in collation order.
    std::vector<ReportTally> sources;
    // Learning kinds: whether a status equal to "Test" is present, and how many rows
    // are spelled exactly "Test".
    bool hasTestStatus = false;
    int testCount = 0;
    // Learning kinds: the statuses other than "Learning" and "Test", in collation order.
    std::vector<ReportTally> unknownStatuses;
    // Learning kinds: the distinct groups in collation order.
    std::vector<ReportTally> groups;
};

// Computes the summary report of a loaded table into `report`, step after step.
// Distinct values are compared case-insensitively by the collation of `locale`;
// tallies count exact spellings. Throws kvd::Error for a table the report cannot be
// written for (unknown kind; a learning table without a group column); `report`
// then keeps the steps done.
void writeSummaryReport(const DataTable& table, FileKind kind, int measurementCount,
                        TextEncoding encoding, const QLocale& locale, SummaryReport& report);

} // namespace kvd
