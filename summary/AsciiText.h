#pragma once

namespace kvd {

// Printable ASCII, 0x20 (space) to 0x7E ("~"): the characters the collation's rank
// keys and the cell search's ASCII fast path handle themselves. Bytes are passed as
// unsigned char, UTF-16 code units as they are.
constexpr char32_t FirstPrintableAscii = 0x20;
constexpr char32_t LastPrintableAscii = 0x7E;

constexpr bool isPrintableAscii(char32_t c) noexcept
{
    return c >= FirstPrintableAscii && c <= LastPrintableAscii;
}

// "A".."Z" to "a".."z"; every other byte as it is.
constexpr unsigned char foldAscii(unsigned char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

} // namespace kvd
