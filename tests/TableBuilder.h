#pragma once

#include "datafile/DataTable.h"
#include "datafile/SplitFields.h"

#include <memory>
#include <string>
#include <vector>

namespace kvd::test {

// A data table as the reader would leave it: lines[0] the column-name line, the other
// lines the object rows, split on `separator`, with as many columns as lines[0] has
// fields. Nothing is fixed.
inline DataTable makeTable(const std::vector<std::string>& lines, char separator = ';')
{
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + '\n';
    DataTable table;
    table.setBytes(std::make_shared<FileBytes>(bytes));
    table.setSeparator(separator);
    table.setColumnCount(lines.empty() ? 1 : static_cast<int>(countFields(lines.front(), separator)));
    std::uint64_t start = 0;
    for (const std::string& line : lines) {
        table.addRow(start, start + line.size() + 1);
        start += line.size() + 1;
    }
    return table;
}

} // namespace kvd::test
