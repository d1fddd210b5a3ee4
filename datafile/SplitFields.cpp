#include "datafile/SplitFields.h"

#include <cstring>

namespace kvd {

void SplitFields(std::vector<std::string_view>& fields, std::string_view text, char separator)
{
    fields.clear();
    while (!text.empty()) {
        const void* found = std::memchr(text.data(), separator, text.size());
        if (!found) {
            fields.push_back(text);
            return;
        }
        const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
        fields.push_back(text.substr(0, length));
        text.remove_prefix(length + 1);
    }
}

std::size_t countFields(std::string_view text, char separator) noexcept
{
    std::size_t count = 0;
    while (!text.empty()) {
        ++count;
        const void* found = std::memchr(text.data(), separator, text.size());
        if (!found)
            break;
        text.remove_prefix(static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) + 1);
    }
    return count;
}

std::string_view fieldAt(std::string_view text, char separator, std::size_t fieldIndex) noexcept
{
    for (std::size_t index = 0; !text.empty(); ++index) {
        const void* found = std::memchr(text.data(), separator, text.size());
        const std::size_t length = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                                         : text.size();
        if (index == fieldIndex)
            return text.substr(0, length);
        if (!found)
            break;
        text.remove_prefix(length + 1);
    }
    return {};
}

} // namespace kvd
