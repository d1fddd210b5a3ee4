#include "datafile/DataTable.h"

#include "common/Errors.h"
#include "datafile/LineReader.h"
#include "datafile/SplitFields.h"

#include <atomic>
#include <cstdint>
#include <iterator>

namespace kvd {

namespace {
// Lines shorter than this are simply scanned for each cell.
constexpr std::size_t SplitCacheThreshold = 2048;
// The rows of a new table: one empty line.
constexpr std::uint32_t EmptyRowStarts[] = {0, 1};

// A new cache identity for each table, and for each change of one.
std::uint64_t newCacheId() noexcept
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}
} // namespace

thread_local std::array<DataTable::SplitRow, 8> DataTable::t_splitRows;

DataTable::DataTable()
    : m_rowStarts(std::begin(EmptyRowStarts), std::end(EmptyRowStarts)), m_columnWidths{DefaultColumnWidth},
      m_cacheId(newCacheId())
{
}

void DataTable::setBytes(std::shared_ptr<FileBytes> bytes)
{
    m_bytes = std::move(bytes);
    m_rowStarts.assign(std::begin(EmptyRowStarts), std::end(EmptyRowStarts));
    m_rowStarts.shrink_to_fit();
    m_firstHighStart = SIZE_MAX;
    m_rowsAdded = false;
    forgetSplitRows();
}

void DataTable::addRow(std::uint64_t lineStart, std::uint64_t next)
{
    if (!m_rowsAdded) {
        m_rowStarts.clear();
        pushRowStart(lineStart);
        m_rowsAdded = true;
        forgetSplitRows();
    }
    pushRowStart(next);
}

void DataTable::pushRowStart(std::uint64_t start)
{
    if (start >= HighStart && m_firstHighStart == SIZE_MAX)
        m_firstHighStart = m_rowStarts.size();
    m_rowStarts.push_back(static_cast<std::uint32_t>(start));
}

void DataTable::reserveRows(std::size_t rowCount)
{
    m_rowStarts.reserve(rowCount + 1);
}

void DataTable::setColumnCount(int columnCount)
{
    m_columnWidths.resize(static_cast<std::size_t>(columnCount < 1 ? 1 : columnCount), DefaultColumnWidth);
    forgetSplitRows();
}

void DataTable::forgetSplitRows() noexcept
{
    m_cacheId = newCacheId();
}

const DataTable::SplitRow& DataTable::splitRow(int rowIndex) const
{
    SplitRow& cached = t_splitRows[static_cast<std::size_t>(rowIndex) % t_splitRows.size()];
    if (cached.cacheId == m_cacheId && cached.rowIndex == rowIndex)
        return cached;
    cached.cacheId = m_cacheId;
    cached.rowIndex = rowIndex;
    cached.fieldStarts.clear();
    const std::string_view text = line(rowIndex);
    const std::size_t limit = static_cast<std::size_t>(columnCount());
    FieldScanner scanner(text, m_separator);
    std::string_view field;
    while (cached.fieldStarts.size() < limit && scanner.next(field))
        cached.fieldStarts.push_back(static_cast<std::uint32_t>(field.data() - text.data()));
    // One past the end of the last field kept, as if a separator followed it.
    cached.fieldStarts.push_back(cached.fieldStarts.empty()
                                     ? 0u
                                     : static_cast<std::uint32_t>(field.data() + field.size() - text.data()) + 1u);
    return cached;
}

std::string_view DataTable::cell(int rowIndex, int columnIndex) const
{
    if (rowIndex < 0 || rowIndex >= rowCount() || columnIndex < 0 || columnIndex >= columnCount())
        return {};
    const std::string_view text = line(rowIndex);
    if (text.size() < SplitCacheThreshold)
        return fieldAt(text, m_separator, static_cast<std::size_t>(columnIndex));
    const SplitRow& split = splitRow(rowIndex);
    const auto field = static_cast<std::size_t>(columnIndex);
    if (field + 1 >= split.fieldStarts.size())
        return {};
    const std::size_t begin = split.fieldStarts[field];
    const std::size_t end = split.fieldStarts[field + 1] - 1; // the separator, or one past the text
    return text.substr(begin, end - begin);
}

void DataTable::rowFields(int rowIndex, std::vector<std::string_view>& fields) const
{
    SplitFields(fields, line(rowIndex), m_separator);
    if (fields.size() > static_cast<std::size_t>(columnCount()))
        fields.resize(static_cast<std::size_t>(columnCount()));
}

void DataTable::setFixedRowCount(int count)
{
    if (count >= rowCount())
        throw NoDataError("Le nombre de lignes fixes doit être inférieur au nombre de lignes");
    m_fixedRowCount = count;
}

void DataTable::setFixedColumnCount(int count)
{
    if (count >= columnCount())
        throw NoDataError("Le nombre de colonnes fixes doit être inférieur au nombre de colonnes");
    m_fixedColumnCount = count;
}

int DataTable::columnWidth(int columnIndex) const
{
    if (columnIndex < 0 || columnIndex >= columnCount())
        return DefaultColumnWidth;
    return m_columnWidths[static_cast<std::size_t>(columnIndex)];
}

void DataTable::setColumnWidth(int columnIndex, int width)
{
    if (columnIndex >= 0 && columnIndex < columnCount())
        m_columnWidths[static_cast<std::size_t>(columnIndex)] = width;
}

} // namespace kvd
