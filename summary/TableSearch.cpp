#include "summary/TableSearch.h"

#include "datafile/DataTable.h"
#include "summary/CellSearch.h"

#include <algorithm>

namespace kvd {

TableSearch::TableSearch(const DataTable& table, const CellSearch& search, int onlyColumn, TableCell from,
                         Direction direction, const std::vector<std::int32_t>* shownRows)
    : m_table(table), m_shownRows(shownRows), m_search(search), m_onlyColumn(onlyColumn), m_from(from),
      m_direction(direction)
{
    const int objects = rowCount();
    const int columns = table.columnCount();
    if (objects < 1 || onlyColumn >= columns || search.text().isEmpty()) {
        m_status = Status::NotFound;
        return;
    }
    const bool inside = from.row >= 1 && from.row <= objects && from.column >= 0 && from.column < columns;
    if (!inside) {
        // Start just before the first cell going forward, just after the last going backward.
        m_from = direction == Direction::Forward ? TableCell{objects, columns - 1} : TableCell{1, 0};
    }
    m_turnLength = static_cast<std::int64_t>(objects) + 1;
}

int TableSearch::rowCount() const noexcept
{
    return m_shownRows ? static_cast<int>(m_shownRows->size()) : m_table.objectCount();
}

TableSearch::Status TableSearch::step(int rowBudget)
{
    const int objects = rowCount();
    const int lastColumn = m_table.columnCount() - 1;
    const bool forward = m_direction == Direction::Forward;
    for (int budget = std::max(1, rowBudget); budget > 0 && m_status == Status::Running; --budget) {
        if (m_visited == m_turnLength) {
            m_status = Status::NotFound;
            break;
        }
        // The starting row is visited first for the cells beyond the start, and last for
        // the others (the starting cell included).
        const std::int64_t offset = forward ? m_visited : -m_visited;
        const int row = static_cast<int>(((m_from.row - 1 + offset) % objects + objects) % objects) + 1;
        int first = 0;
        int last = lastColumn;
        if (m_visited == 0)
            (forward ? first : last) = forward ? m_from.column + 1 : m_from.column - 1;
        else if (m_visited == m_turnLength - 1)
            (forward ? last : first) = m_from.column;
        ++m_visited;
        if (first <= last && searchRow(row, first, last))
            m_status = Status::Found;
    }
    return m_status;
}

bool TableSearch::searchRow(int place, int firstColumn, int lastColumn)
{
    const int row = m_shownRows ? (*m_shownRows)[static_cast<std::size_t>(place - 1)] : place;
    if (m_onlyColumn >= 0) {
        // One cell: reading it is cheaper than looking at the whole line.
        if (m_onlyColumn < firstColumn || m_onlyColumn > lastColumn)
            return false;
        if (!m_search.matches(m_table.cell(row, m_onlyColumn)))
            return false;
        m_found = TableCell{place, m_onlyColumn};
        return true;
    }
    const std::string_view line = m_table.line(row);
    if (!m_search.lineMayMatch(line, m_table.separator()))
        return false;
    m_table.rowFields(row, m_fields);
    const int fieldCount = static_cast<int>(m_fields.size());
    const bool forward = m_direction == Direction::Forward;
    for (int i = 0; i <= lastColumn - firstColumn; ++i) {
        const int column = forward ? firstColumn + i : lastColumn - i;
        if (column < fieldCount && m_search.matches(m_fields[static_cast<std::size_t>(column)])) {
            m_found = TableCell{place, column};
            return true;
        }
    }
    return false;
}

} // namespace kvd
