#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kvd {

// A text made of two pieces read back to back, without copying them: the duplicate
// key of an object row is its object cell followed by its source cell. A one-piece
// text leaves `tail` empty.
struct TwoPieceText {
    std::string_view head;
    std::string_view tail;

    std::size_t size() const noexcept { return head.size() + tail.size(); }
    char operator[](std::size_t index) const noexcept
    {
        return index < head.size() ? head[index] : tail[index - head.size()];
    }
};

// True when the two texts hold the same bytes.
bool equalBytes(const TwoPieceText& a, const TwoPieceText& b) noexcept;

// A well-mixed 64-bit hash of the bytes of text, each byte first mapped through
// `map` (256 entries). Texts whose mapped bytes are equal have equal hashes.
std::uint64_t hashMapped(const TwoPieceText& text, const std::uint8_t* map) noexcept;
// The same with every byte as it is.
std::uint64_t hashBytes(const TwoPieceText& text) noexcept;

// True when every byte of text has a non-zero entry in `map`.
bool allMapped(const TwoPieceText& text, const std::uint8_t* map) noexcept;
// True when the two texts have equal mapped bytes.
bool equalMapped(const TwoPieceText& a, const TwoPieceText& b, const std::uint8_t* map) noexcept;

} // namespace kvd
