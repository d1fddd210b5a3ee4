#pragma once

#include "datafile/CommonNumberText.h"

#include <string>
#include <string_view>

namespace kvd {

// The value of one measurement cell as the statistics read it: "." after a digit
// stands for the locale separator `decimalSeparator`, the text is parsed in extended
// precision and kept as a double. False for a cell that is not a number text, and
// for a number beyond the range of a double (it could not take part in the sums).
// `buffer` receives the rewritten text of a cell whose "." must become the locale
// separator: keep one across the cells of a column and it allocates only now and
// then (and may then throw std::bad_alloc); throws nothing else.
//
// Inline for the common cells (the statistics read every cell of a file twice);
// every other cell is rewritten and parsed by the general rule.
bool measurementValueInGeneral(std::string_view cell, char decimalSeparator, double& value, std::string& buffer);

inline bool measurementValue(std::string_view cell, char decimalSeparator, double& value, std::string& buffer)
{
    // A common text holds at most one separator, right after the integer digits: there
    // a "." after a digit is what the rewrite would turn into the locale separator.
    if (tryParseCommonNumber(cell, decimalSeparator, decimalSeparator != '.', value))
        return true;
    return measurementValueInGeneral(cell, decimalSeparator, value, buffer);
}

// The same with a buffer of its own, for a single cell.
bool measurementValue(std::string_view cell, char decimalSeparator, double& value);

} // namespace kvd
