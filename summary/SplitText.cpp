#include "summary/SplitText.h"

namespace kvd {

namespace {

constexpr std::uint64_t FnvOffset = 0xcbf29ce484222325ULL;
constexpr std::uint64_t FnvPrime = 0x100000001b3ULL;

unsigned char foldAscii(unsigned char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

void hashPiece(std::string_view piece, TextHashes& hashes) noexcept
{
    for (const char c : piece) {
        const auto byte = static_cast<unsigned char>(c);
        hashes.exact = (hashes.exact ^ byte) * FnvPrime;
        hashes.folded = (hashes.folded ^ foldAscii(byte)) * FnvPrime;
        if (byte < 0x20 || byte > 0x7E)
            hashes.printableAscii = false;
    }
}

} // namespace

bool equalBytes(const SplitText& a, const SplitText& b) noexcept
{
    if (a.size() != b.size())
        return false;
    if (a.head.size() == b.head.size())
        return a.head == b.head && a.tail == b.tail;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

bool equalFoldingAscii(const SplitText& a, const SplitText& b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(static_cast<unsigned char>(a[i])) != foldAscii(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

TextHashes hashText(const SplitText& text) noexcept
{
    TextHashes hashes;
    hashes.exact = FnvOffset;
    hashes.folded = FnvOffset;
    hashPiece(text.head, hashes);
    hashPiece(text.tail, hashes);
    return hashes;
}

} // namespace kvd
