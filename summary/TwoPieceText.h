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
// `map` (256 entries). Texts whose mapped bytes are equal have equal hashes. The hash
// is keyed by a secret drawn from the system's random source once a process: which
// texts share a hash, or a run of hash table slots, cannot be known from outside, so a
// file cannot be made to crowd a table.
std::uint64_t hashMapped(const TwoPieceText& text, const std::uint8_t* map) noexcept;
// The same with every byte as it is.
std::uint64_t hashBytes(const TwoPieceText& text) noexcept;

// Byte-wise order of the two texts (bytes as unsigned, the shorter first on a common
// beginning): negative, zero or positive.
int compareBytes(const TwoPieceText& a, const TwoPieceText& b) noexcept;
// The same order of their mapped bytes.
int compareMapped(const TwoPieceText& a, const TwoPieceText& b, const std::uint8_t* map) noexcept;

// True when every byte of text has a non-zero entry in `map`.
bool allMapped(const TwoPieceText& text, const std::uint8_t* map) noexcept;
// True when the two texts have equal mapped bytes.
bool equalMapped(const TwoPieceText& a, const TwoPieceText& b, const std::uint8_t* map) noexcept;

} // namespace kvd
