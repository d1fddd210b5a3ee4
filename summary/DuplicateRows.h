#pragma once

#include "datafile/TextEncoding.h"
#include "summary/Collation.h"
#include "summary/TwoPieceText.h"

#include <functional>

namespace kvd {

// The text of a row in the column (or pair of columns) at hand.
using TextOfRow = std::function<TwoPieceText(int rowIndex)>;

// Calls onDuplicate(row), in row order, for every row of [beginRow, endRow) whose
// text equals, under `collation`, the text of an earlier row of the range. Texts are
// bytes in `encoding`. Holds a hash table of 5.4 to 11 bytes a distinct text (16
// while it doubles) and copies no text. Matches plain ASCII texts by
// rank keys until the first other text, then every row by its full collation key.
// Should the table be crowded all the same (see RowHashTable), the rows left are
// found by a sort of all the rows instead (8 bytes a row, and the full keys of every
// row where some text has no rank key): no texts cost more than N log N.
void findDuplicateRows(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow,
                       int beginRow, int endRow, const std::function<void(int row)>& onDuplicate);

// The same, calling onRepeat(row, firstRow) with the first row of the range whose
// text equals that of `row`.
void findRepeatedRows(const Collation& collation, TextEncoding encoding, const TextOfRow& textOfRow, int beginRow,
                      int endRow, const std::function<void(int row, int firstRow)>& onRepeat);

} // namespace kvd
