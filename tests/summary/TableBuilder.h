#pragma once

#include "datafile/DataTable.h"
#include "datafile/SplitFields.h"

#include <string>
#include <vector>

namespace kvd::test {

// A data table as the reader would leave it: lines[0] the column-name line, the
// other lines the object rows, split on `separator`.
inline DataTable makeTable(const std::vector<std::string>& lines, char separator = ';')
{
    DataTable table;
    std::string bytes;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const std::string& line : lines) {
        spans.emplace_back(bytes.size(), line.size());
        bytes += line;
        bytes += '\n';
    }
    table.setBytes(std::move(bytes));
    table.setSeparator(separator);
    table.setColumnCount(lines.empty() ? 1 : static_cast<int>(countFields(lines.front(), separator)));
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (i == 0)
            table.setColumnNameLine(spans[i].first, static_cast<std::uint32_t>(spans[i].second));
        else
            table.appendRow(spans[i].first, static_cast<std::uint32_t>(spans[i].second));
    }
    return table;
}

} // namespace kvd::test
