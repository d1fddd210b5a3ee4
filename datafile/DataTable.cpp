#include "datafile/DataTable.h"

#include "common/Errors.h"
#include "datafile/SplitFields.h"

#include <cstring>

namespace kvd {

namespace {
// Lines shorter than this are simply scanned for each cell.
constexpr std::size_t SplitCacheThreshold = 2048;
} // namespace

DataTable::DataTable()
    : m_lineOffsets{0}, m_lineLengths{0}, m_columnWidths{DefaultColumnWidth}
{
}

void DataTable::setBytes(std::string bytes)
{
    m_bytes = std::move(bytes);
    m_lineOffsets.assign(1, 0);
    m_lineLengths.assign(1, 0);
    for (SplitRow& cached : m_splitRows)
        cached.rowIndex = -1;
}

void DataTable::setColumnNameLine(std::uint64_t offset, std::uint32_t length)
{
    m_lineOffsets[0] = offset;
    m_lineLengths[0] = length;
    m_splitRows[0].rowIndex = -1;
}

void DataTable::appendRow(std::uint64_t offset, std::uint32_t length)
{
    m_lineOffsets.push_back(offset);
    m_lineLengths.push_back(length);
}

void DataTable::reserveRows(std::size_t rowCount)
{
    m_lineOffsets.reserve(rowCount);
    m_lineLengths.reserve(rowCount);
}

void DataTable::setColumnCount(int columnCount)
{
    m_columnWidths.resize(static_cast<std::size_t>(columnCount < 1 ? 1 : columnCount), DefaultColumnWidth);
    for (SplitRow& cached : m_splitRows)
        cached.rowIndex = -1;
}

std::string_view DataTable::line(int rowIndex) const noexcept
{
    if (rowIndex < 0 || rowIndex >= rowCount())
        return {};
    const auto index = static_cast<std::size_t>(rowIndex);
    return std::string_view(m_bytes).substr(m_lineOffsets[index], m_lineLengths[index]);
}

const DataTable::SplitRow& DataTable::splitRow(int rowIndex) const
{
    SplitRow& cached = m_splitRows[static_cast<std::size_t>(rowIndex) % m_splitRows.size()];
    if (cached.rowIndex == rowIndex)
        return cached;
    cached.rowIndex = rowIndex;
    cached.fieldStarts.clear();
    const std::string_view text = line(rowIndex);
    const std::size_t limit = static_cast<std::size_t>(columnCount());
    std::size_t position = 0;
    while (position < text.size() && cached.fieldStarts.size() < limit) {
        cached.fieldStarts.push_back(static_cast<std::uint32_t>(position));
        const void* found = std::memchr(text.data() + position, m_separator, text.size() - position);
        position = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) + 1
                         : text.size() + 1;
    }
    cached.fieldStarts.push_back(static_cast<std::uint32_t>(position));
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
        throw Error("Le nombre de lignes fixes doit être inférieur au nombre de lignes");
    m_fixedRowCount = count;
}

void DataTable::setFixedColumnCount(int count)
{
    if (count >= columnCount())
        throw Error("Le nombre de colonnes fixes doit être inférieur au nombre de colonnes");
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
