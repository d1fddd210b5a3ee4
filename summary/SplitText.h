#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvd {

// A text made of two pieces read back to back, without copying them: the duplicate
// key of an object row is its object cell followed by its source cell. A one-piece
// text leaves `tail` empty.
struct SplitText {
    std::string_view head;
    std::string_view tail;

    std::size_t size() const noexcept { return head.size() + tail.size(); }
    char operator[](std::size_t index) const noexcept
    {
        return index < head.size() ? head[index] : tail[index - head.size()];
    }
    std::string joined() const
    {
        std::string text(head);
        text.append(tail);
        return text;
    }
};

// True when the two texts hold the same bytes.
bool equalBytes(const SplitText& a, const SplitText& b) noexcept;
// True when the two texts are equal after ASCII case folding ("A" and "a").
bool equalFoldingAscii(const SplitText& a, const SplitText& b) noexcept;

// What one scan of a text tells: its hash exactly as spelled, its hash after ASCII
// case folding, and whether every byte is printable ASCII (0x20..0x7E).
struct TextHashes {
    std::uint64_t exact = 0;
    std::uint64_t folded = 0;
    bool printableAscii = true;
};
TextHashes hashText(const SplitText& text) noexcept;

} // namespace kvd
