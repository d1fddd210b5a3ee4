#include "report/DuplicateGroups.h"

#include "report/ReportFile.h"
#include "summary/Collation.h"
#include "summary/DuplicateRows.h"

#include <algorithm>

namespace kvd {

DuplicateGroups::DuplicateGroups(const ReportFile& file)
{
    const RowSet& duplicates = file.document.summary.report.duplicateRows;
    if (duplicates.empty())
        return;
    m_rows.reserve(duplicates.size());
    for (const int row : duplicates)
        m_rows.push_back(std::uint64_t(row) << 32 | std::uint64_t(row)); // a group of its own so far
    const DataTable& table = file.document.table;
    const TextOfRow keyOfEntry = [&](int index) {
        const int row = rowOf(m_rows[static_cast<std::size_t>(index)]);
        return TwoPieceText{table.cell(row, 0), table.cell(row, 1)};
    };
    // The loader compared keys under the same locale, with the same rule.
    const Collation& collation = Collation::forLocale(file.locale.collation);
    findRepeatedRows(collation, file.document.encoding, keyOfEntry, 0, static_cast<int>(m_rows.size()),
                     [this](int index, int firstIndex) {
                         const auto firstRow = std::uint64_t(rowOf(m_rows[static_cast<std::size_t>(firstIndex)]));
                         std::uint64_t& entry = m_rows[static_cast<std::size_t>(index)];
                         entry = firstRow << 32 | (entry & 0xFFFFFFFFu);
                     });
    if (!std::is_sorted(m_rows.begin(), m_rows.end()))
        std::sort(m_rows.begin(), m_rows.end());
}

} // namespace kvd
