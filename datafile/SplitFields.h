#pragma once

#include <string_view>
#include <vector>

namespace kvd {

// Splits text into fields at every separator. Clears fields first. A separator at
// the very end of the text adds no empty field; an empty text gives no field; fields
// are never trimmed and nothing is quoted. The views point into text.
// Does not throw (apart from allocation).
void SplitFields(std::vector<std::string_view>& fields, std::string_view text, char separator);

// The number of fields SplitFields would give, without building them.
std::size_t countFields(std::string_view text, char separator) noexcept;

// Field fieldIndex of text as SplitFields would give it; empty when the text holds
// fewer fields.
std::string_view fieldAt(std::string_view text, char separator, std::size_t fieldIndex) noexcept;

} // namespace kvd
