#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kvd {

// Where one line lies in a file's bytes, line end excluded.
struct LineSpan {
    std::uint64_t offset = 0;
    std::uint32_t length = 0;
};

// Reads the lines of a file held whole in memory, as a text file is read: LF or
// CR LF ends a line, and a CR not followed by LF is dropped from its line. Such a
// line is cleaned in place (its text moves to the start of its span); every other
// line is left as it is, so the common path copies nothing.
class LineReader {
public:
    LineReader(char* bytes, std::size_t size) noexcept : m_bytes(bytes), m_size(size) {}

    // The next line, and moves past its line end. At the end of the bytes: an empty
    // line. Throws Error for a line longer than 4 GiB - 1 bytes.
    LineSpan next();

    // True once every byte has been read.
    bool atEnd() const noexcept { return m_position >= m_size; }

    std::string_view text(LineSpan line) const noexcept
    {
        return {m_bytes + line.offset, line.length};
    }

    // The number of lines ahead of the reading position up to, and not including,
    // the first empty one (or the end). Reads nothing and changes nothing.
    std::size_t linesBeforeEmptyLine() const noexcept;

    std::size_t size() const noexcept { return m_size; }

private:
    char* m_bytes;
    std::size_t m_size;
    std::size_t m_position = 0;
};

} // namespace kvd
