#pragma once

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
bool measurementValue(std::string_view cell, char decimalSeparator, double& value, std::string& buffer);

// The same with a buffer of its own, for a single cell.
bool measurementValue(std::string_view cell, char decimalSeparator, double& value);

} // namespace kvd
