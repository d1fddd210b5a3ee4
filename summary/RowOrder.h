#pragma once

#include "datafile/TextEncoding.h"

#include <cstdint>
#include <vector>

namespace kvd {

class Collation;
class DataTable;

// How the cells of a column compare when its rows are sorted.
enum class CellOrder {
    // Cells that are numbers by the statistics' rule (measurementValue) by value,
    // then every other cell by collation.
    Numbers,
    // Every cell by collation.
    Texts,
};

enum class SortDirection { Ascending, Descending };

// What a sort reads its cells with: the collation of the summary report, the
// encoding of the file, the locale's decimal separator.
struct SortRules {
    const Collation& collation;
    TextEncoding encoding;
    char decimalSeparator;
};

// Reorders `rows` (row indexes of `table`) by their cells in `column`. Stable: rows
// whose cells are equal (numbers of equal value, texts equal under the collation)
// keep their order in `rows`. Descending reverses the order of the numbers and the
// order of the other cells, which still come after the numbers.
//
// Holds 12 bytes a row while it sorts, nothing afterwards; may throw std::bad_alloc
// and nothing else. Texts whose every byte has an ASCII rank are compared by rank
// keys; otherwise each text's collation key is made once for its first eight bytes,
// and again only where those are equal.
void sortRows(const DataTable& table, int column, CellOrder order, SortDirection direction, const SortRules& rules,
              std::vector<std::int32_t>& rows);

} // namespace kvd
