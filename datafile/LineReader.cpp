#include "datafile/LineReader.h"

#include <algorithm>
#include <cstring>

namespace kvd {

FileLine LineReader::next() noexcept
{
    if (atEnd())
        return FileLine{m_size, {}, m_size + 1};
    char* const begin = m_bytes + m_position;
    const char* const limit = m_bytes + m_size;
    const char* lineFeed = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(limit - begin)));
    const char* const end = lineFeed ? lineFeed : limit;
    std::size_t length = static_cast<std::size_t>(end - begin);
    FileLine line;
    line.start = m_position;
    m_position += length + 1;
    line.next = m_position;
    while (length > 0 && begin[length - 1] == '\r')
        --length;
    if (std::memchr(begin, '\r', length)) {
        char* const kept = std::remove(begin, begin + length, '\r');
        std::fill(kept, begin + (end - begin), '\r');
        length = static_cast<std::size_t>(kept - begin);
    }
    line.text = std::string_view(begin, length);
    return line;
}

} // namespace kvd
