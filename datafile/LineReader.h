#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kvd {

// One line of a file held whole in memory.
struct FileLine {
    std::uint64_t start = 0;  // where the line begins in the bytes
    std::string_view text;    // the line without its line end, CRs dropped
    std::uint64_t next = 0;   // where the line after it begins: one past its LF, or
                              // size + 1 for a last line without LF
};

// The text of the line that begins at `start` and whose successor begins at `next`
// (FileLine::next), in bytes the LineReader has cleaned: the LF and the CRs before it
// are left out. Rows of the data table and lines of the header are found this way.
inline std::string_view cleanedLineText(std::string_view bytes, std::uint64_t start, std::uint64_t next) noexcept
{
    std::size_t end = static_cast<std::size_t>(next) - 1;
    if (end > bytes.size())
        end = bytes.size();
    const auto begin = static_cast<std::size_t>(start);
    while (end > begin && bytes[end - 1] == '\r')
        --end;
    return bytes.substr(begin, end - begin);
}

// Reads the lines of a file held whole in memory, as a text file is read: LF or CR LF
// ends a line, and a CR not followed by LF is dropped from its line. Such a line is
// cleaned in place: its other bytes move to the start of the line and CRs fill the
// rest up to its LF, so that cleanedLineText finds it again. Every other line is left
// as it is, so the common path copies nothing.
class LineReader {
public:
    LineReader(char* bytes, std::size_t size) noexcept : m_bytes(bytes), m_size(size) {}

    // The next line, and moves past its line end. At the end of the bytes: an empty
    // line that begins at size().
    FileLine next() noexcept;

    // True once every byte has been read.
    bool atEnd() const noexcept { return m_position >= m_size; }

    std::size_t size() const noexcept { return m_size; }

private:
    char* m_bytes;
    std::size_t m_size;
    std::size_t m_position = 0;
};

} // namespace kvd
