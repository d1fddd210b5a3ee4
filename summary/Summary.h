#pragma once

#include "summary/MeasurementFigures.h"
#include "summary/StatisticsTable.h"
#include "summary/SummaryReport.h"

namespace kvd {

// The Summary page of a document: the report (its lines made by ReportLines from
// these facts and the data table) above the statistics grid.
struct Summary {
    SummaryReport report;
    bool reportScrollBar = false; // given when the report is complete
    StatisticsTable statistics;
    std::vector<MeasurementFigures> figures; // one per statistics row below the heading
};

} // namespace kvd
