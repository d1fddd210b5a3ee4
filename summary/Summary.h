#pragma once

#include "summary/MeasurementFigures.h"
#include "summary/StatisticsTable.h"

#include <string>
#include <vector>

namespace kvd {

// The Summary page of a document: the report lines above the statistics grid.
// Report lines hold bytes in the file's encoding (they quote cells).
struct Summary {
    std::vector<std::string> reportLines;
    bool reportScrollBar = false; // given when the report is complete
    StatisticsTable statistics;
    std::vector<MeasurementFigures> figures; // one per statistics row below the heading
};

} // namespace kvd
