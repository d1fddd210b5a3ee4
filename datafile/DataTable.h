#pragma once

#include "common/GridMetrics.h"
#include "datafile/FileBytes.h"
#include "datafile/LineReader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace kvd {

// The data table of a document, as a grid of text cells: row 0 holds the column
// names, rows 1..n the objects. Cells are not stored one by one: the table shares the
// file's bytes and remembers where each row's line begins in them (4 bytes a row);
// the rows are consecutive lines of the file, so a row ends where the next begins.
// A cell is found by splitting its line on the separator when it is asked for. A cell
// is the field's text exactly as in the file; cells past a line's last field, or past
// the column count, are empty.
//
// A new table is what a new document window shows: one column, one empty row,
// nothing fixed, every column 80 pixels wide. Several threads may read a table at once
// while none changes it.
class DataTable {
public:
    DataTable();

    // Takes the bytes the rows point into. Rows added before are forgotten; so is
    // everything when bytes is null.
    void setBytes(std::shared_ptr<FileBytes> bytes);
    std::string_view bytes() const noexcept { return m_bytes ? m_bytes->view() : std::string_view(); }
    const std::shared_ptr<FileBytes>& sharedBytes() const noexcept { return m_bytes; }

    void setSeparator(char separator) noexcept { m_separator = separator; }
    char separator() const noexcept { return m_separator; }

    // Adds a row at the bottom (the first one added replaces the empty row 0 of a new
    // table and holds the column names): the line of bytes() that begins at
    // `lineStart`, cleaned as LineReader leaves it, and whose successor begins at
    // `next` (FileLine::next). Each row added begins where the one before ends.
    void addRow(std::uint64_t lineStart, std::uint64_t next);
    void reserveRows(std::size_t rowCount);
    // The rows the table has room for before it grows again.
    std::size_t rowCapacity() const noexcept { return m_rowStarts.capacity() - 1; }

    int rowCount() const noexcept { return static_cast<int>(m_rowStarts.size() - 1); }
    int objectCount() const noexcept { return rowCount() - 1; }

    // At least 1. Widths of new columns start at DefaultColumnWidth.
    void setColumnCount(int columnCount);
    int columnCount() const noexcept { return static_cast<int>(m_columnWidths.size()); }

    // The whole line of a row, every field included (also those past the column count).
    // Inline: the statistics ask for every row of a file, twice.
    std::string_view line(int rowIndex) const noexcept
    {
        if (rowIndex < 0 || rowIndex >= rowCount())
            return {};
        const auto index = static_cast<std::size_t>(rowIndex);
        return cleanedLineText(bytes(), rowStart(index), rowStart(index + 1));
    }
    // The text of one cell; empty outside the table.
    std::string_view cell(int rowIndex, int columnIndex) const;
    // The fields of a row, at most columnCount() of them (fewer when its line holds
    // fewer). Clears `fields` first; the views point into bytes().
    void rowFields(int rowIndex, std::vector<std::string_view>& fields) const;

    int fixedRowCount() const noexcept { return m_fixedRowCount; }
    int fixedColumnCount() const noexcept { return m_fixedColumnCount; }
    // Throws Error "Le nombre de lignes fixes doit être inférieur au nombre de lignes"
    // unless count < rowCount().
    void setFixedRowCount(int count);
    // Throws Error "Le nombre de colonnes fixes doit être inférieur au nombre de colonnes"
    // unless count < columnCount().
    void setFixedColumnCount(int count);

    int columnWidth(int columnIndex) const;
    void setColumnWidth(int columnIndex, int width);

private:
    // Long lines keep their field starts, so that reading a row's cells one by one
    // does not scan the line again for each of them. Each thread keeps its own few,
    // so that threads may read one table at the same time; they are told apart by
    // the table's cache identity, which changes whenever the rows or columns do.
    struct SplitRow {
        std::uint64_t cacheId = 0;
        int rowIndex = -1;
        std::vector<std::uint32_t> fieldStarts; // offsets within the line; one past the end last
    };
    static thread_local std::array<SplitRow, 8> t_splitRows;
    const SplitRow& splitRow(int rowIndex) const;
    void forgetSplitRows() noexcept;
    std::uint64_t rowStart(std::size_t index) const noexcept
    {
        return m_rowStarts[index] + (index >= m_firstHighStart ? HighStart : 0);
    }
    void pushRowStart(std::uint64_t start);

    std::shared_ptr<FileBytes> m_bytes;
    // The start of every row's line, then where the line after the last row begins:
    // their low 32 bits, and from m_firstHighStart on they are 2^32 larger. A file
    // holds at most 4 GiB, and starts only grow, so they never need more.
    static constexpr std::uint64_t HighStart = std::uint64_t(1) << 32;
    std::vector<std::uint32_t> m_rowStarts;
    std::size_t m_firstHighStart = SIZE_MAX;
    bool m_rowsAdded = false;
    std::vector<int> m_columnWidths;
    char m_separator = ';';
    int m_fixedRowCount = 0;
    int m_fixedColumnCount = 0;
    std::uint64_t m_cacheId = 0;
};

} // namespace kvd
