#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvd {

// The one field-splitting rule of the program, for lines of the data table: every
// separator ends a field; a separator at the very end of the text adds no empty field;
// an empty text holds no field; fields are never trimmed and nothing is quoted.

// The first occurrence of `byte` in [position, end), or end. Inline and vectorised:
// the statistics call it for every cell of a file.
inline const char* findByte(const char* position, const char* end, char byte) noexcept
{
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi8(byte);
    while (end - position >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(position));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(block, needle));
        if (mask != 0)
            return position + __builtin_ctz(static_cast<unsigned>(mask));
        position += 16;
    }
#endif
    while (position < end && *position != byte)
        ++position;
    return position;
}

// Walks the fields of a text, one at a time. Does not allocate or throw; the views
// point into the text.
class FieldScanner {
public:
    FieldScanner(std::string_view text, char separator) noexcept
        : m_position(text.data()), m_end(text.data() + text.size()), m_separator(separator)
    {
    }

    // The next field; false once no field is left.
    bool next(std::string_view& field) noexcept
    {
        if (m_position >= m_end)
            return false;
        const char* fieldEnd = findByte(m_position, m_end, m_separator);
        field = std::string_view(m_position, static_cast<std::size_t>(fieldEnd - m_position));
        m_position = fieldEnd + 1;
        return true;
    }

    // Moves past the next field without looking at it; false once no field is left.
    bool skip() noexcept
    {
        if (m_position >= m_end)
            return false;
        m_position = findByte(m_position, m_end, m_separator) + 1;
        return true;
    }

private:
    const char* m_position;
    const char* m_end;
    char m_separator;
};

// Clears fields, then fills it with the fields of text.
void SplitFields(std::vector<std::string_view>& fields, std::string_view text, char separator);

// The number of fields SplitFields would give, without building them.
std::size_t countFields(std::string_view text, char separator) noexcept;

// Field fieldIndex of text as SplitFields would give it; empty when the text holds
// fewer fields.
std::string_view fieldAt(std::string_view text, char separator, std::size_t fieldIndex) noexcept;

} // namespace kvd
