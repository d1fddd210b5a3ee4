#include "datafile/LineReader.h"

#include "common/Errors.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace kvd {

namespace {

// Drops every CR from text[0..length); returns the new length.
std::size_t dropCarriageReturns(char* text, std::size_t length) noexcept
{
    return static_cast<std::size_t>(std::remove(text, text + length, '\r') - text);
}

const char* findLineFeed(const char* begin, const char* end) noexcept
{
    return static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
}

} // namespace

LineSpan LineReader::next()
{
    if (atEnd())
        return LineSpan{m_size, 0};
    char* const begin = m_bytes + m_position;
    const char* const limit = m_bytes + m_size;
    const char* lineFeed = findLineFeed(begin, limit);
    std::size_t length = static_cast<std::size_t>((lineFeed ? lineFeed : limit) - begin);
    m_position += length + (lineFeed ? 1 : 0);
    if (lineFeed && length > 0 && begin[length - 1] == '\r')
        --length;
    if (std::memchr(begin, '\r', length))
        length = dropCarriageReturns(begin, length);
    if (length > std::numeric_limits<std::uint32_t>::max())
        throw Error("A line of " + std::to_string(length) + " bytes is longer than the longest line a data file may hold ("
                    + std::to_string(std::numeric_limits<std::uint32_t>::max()) + " bytes).");
    return LineSpan{static_cast<std::uint64_t>(begin - m_bytes), static_cast<std::uint32_t>(length)};
}

std::size_t LineReader::linesBeforeEmptyLine() const noexcept
{
    std::size_t count = 0;
    const char* position = m_bytes + m_position;
    const char* const limit = m_bytes + m_size;
    while (position < limit) {
        const char* lineFeed = findLineFeed(position, limit);
        const char* end = lineFeed ? lineFeed : limit;
        // A line of CRs only is empty once they are dropped.
        if (std::all_of(position, end, [](char c) { return c == '\r'; }))
            break;
        ++count;
        position = lineFeed ? lineFeed + 1 : limit;
    }
    return count;
}

} // namespace kvd
