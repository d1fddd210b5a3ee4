#pragma once

#include "common/GridMetrics.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvd {

// The data table of a document, as a grid of text cells: row 0 holds the column
// names, rows 1..n the objects. Cells are not stored one by one: the table owns the
// file's bytes and remembers where each row's line lies in them; a cell is found by
// splitting its line on the separator when it is asked for. A cell is the field's
// text exactly as in the file; cells past a line's last field, or past the column
// count, are empty.
//
// A new table is what a new document window shows: one column, one empty row,
// nothing fixed, every column 80 pixels wide.
class DataTable {
public:
    DataTable();

    // Takes the bytes the rows point into. Rows added before are forgotten.
    void setBytes(std::string bytes);
    std::string_view bytes() const noexcept { return m_bytes; }
    // Lets the reader clean lines in place (dropping stray CRs) before adding them.
    char* mutableBytes() noexcept { return m_bytes.data(); }

    void setSeparator(char separator) noexcept { m_separator = separator; }
    char separator() const noexcept { return m_separator; }

    // Row 0: the column-name line, the `length` bytes at `offset` in bytes().
    void setColumnNameLine(std::uint64_t offset, std::uint32_t length);
    // Adds an object row at the bottom: the line at `offset` in bytes().
    void appendRow(std::uint64_t offset, std::uint32_t length);
    void reserveRows(std::size_t rowCount);

    int rowCount() const noexcept { return static_cast<int>(m_lineOffsets.size()); }
    int objectCount() const noexcept { return rowCount() - 1; }

    // At least 1. Widths of new columns start at DefaultColumnWidth.
    void setColumnCount(int columnCount);
    int columnCount() const noexcept { return static_cast<int>(m_columnWidths.size()); }

    // The whole line of a row, every field included (also those past the column count).
    std::string_view line(int rowIndex) const noexcept;
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
    // does not scan the line again for each of them.
    struct SplitRow {
        int rowIndex = -1;
        std::vector<std::uint32_t> fieldStarts; // offsets within the line; one past the end last
    };
    const SplitRow& splitRow(int rowIndex) const;

    std::string m_bytes;
    std::vector<std::uint64_t> m_lineOffsets;
    std::vector<std::uint32_t> m_lineLengths;
    std::vector<int> m_columnWidths;
    char m_separator = ';';
    int m_fixedRowCount = 0;
    int m_fixedColumnCount = 0;
    mutable std::array<SplitRow, 8> m_splitRows;
};

} // namespace kvd
