#include "app/DuplicateGroups.h"

#include "app/ReportFile.h"
#include "summary/Collation.h"
#include "summary/DistinctValues.h"

#include <QLocale>

namespace kvd {

std::vector<std::vector<int>> duplicateGroups(const ReportFile& file)
{
    const std::vector<int>& rows = file.document.summary.report.duplicateRows;
    std::vector<std::vector<int>> groups;
    if (rows.empty())
        return groups;
    const DataTable& table = file.document.table;
    const auto keyOfRow = [&table](int rowIndex) {
        return SplitText{table.cell(rowIndex, 0), table.cell(rowIndex, 1)};
    };
    // The loader compared keys under the user's locale too.
    DistinctValues keys(Collation::forLocale(QLocale::system()), file.document.encoding, keyOfRow);
    for (const int row : rows) {
        keys.add(row);
        // Entries are numbered in the order they were added.
        const auto group = static_cast<std::size_t>(keys.find(keyOfRow(row)));
        if (group == groups.size())
            groups.emplace_back();
        groups[group].push_back(row);
    }
    return groups;
}

} // namespace kvd
