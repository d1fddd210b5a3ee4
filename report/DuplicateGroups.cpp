#include "report/DuplicateGroups.h"

#include "report/ReportFile.h"
#include "summary/Collation.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace kvd {

std::vector<std::vector<int>> duplicateGroups(const ReportFile& file)
{
    const RowSet& rows = file.document.summary.report.duplicateRows;
    std::vector<std::vector<int>> groups;
    if (rows.empty())
        return groups;
    const DataTable& table = file.document.table;
    const auto keyOfRow = [&table](int rowIndex) {
        return TwoPieceText{table.cell(rowIndex, 0), table.cell(rowIndex, 1)};
    };
    // The loader compared keys under the document's collation too. Rank keys serve
    // when every key has one, full collation keys otherwise (the two never meet).
    const Collation& collation = file.document.collation();
    const bool ranked = std::all_of(rows.begin(), rows.end(), [&](int row) {
        return allMapped(keyOfRow(row), collation.asciiRanks());
    });
    std::unordered_map<std::string, std::size_t> groupOfKey;
    std::string key;
    for (const int row : rows) {
        key.clear();
        if (ranked)
            collation.appendRankKey(keyOfRow(row), key);
        else
            collation.appendKey(keyOfRow(row), file.document.encoding, key);
        const auto [found, added] = groupOfKey.try_emplace(key, groups.size());
        if (added)
            groups.emplace_back();
        groups[found->second].push_back(row);
    }
    return groups;
}

} // namespace kvd
