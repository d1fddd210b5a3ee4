#pragma once

#include <string_view>

namespace kvd {

// The value of one measurement cell as the statistics read it: "." after a digit is
// taken as the locale decimal separator, the text must be a number text, and the
// value must fit a double. False for any other cell (empty cells included).
// Does not allocate for cells up to 64 bytes; does not throw.
bool measurementValue(std::string_view cell, char decimalSeparator, double& value) noexcept;

} // namespace kvd
