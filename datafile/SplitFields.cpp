#include "datafile/SplitFields.h"

namespace kvd {

void SplitFields(std::vector<std::string_view>& fields, std::string_view text, char separator)
{
    fields.clear();
    FieldScanner scanner(text, separator);
    std::string_view field;
    while (scanner.next(field))
        fields.push_back(field);
}

std::size_t countFields(std::string_view text, char separator) noexcept
{
    std::size_t count = 0;
    FieldScanner scanner(text, separator);
    while (scanner.skip())
        ++count;
    return count;
}

std::string_view fieldAt(std::string_view text, char separator, std::size_t fieldIndex) noexcept
{
    FieldScanner scanner(text, separator);
    for (std::size_t index = 0; index < fieldIndex; ++index) {
        if (!scanner.skip())
            return {};
    }
    std::string_view field;
    return scanner.next(field) ? field : std::string_view();
}

} // namespace kvd
