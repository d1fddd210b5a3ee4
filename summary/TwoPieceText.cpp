#include "summary/TwoPieceText.h"

#include <array>

namespace kvd {

namespace {

constexpr std::uint64_t FnvOffset = 0xcbf29ce484222325ULL;
constexpr std::uint64_t FnvPrime = 0x100000001b3ULL;

constexpr std::array<std::uint8_t, 256> Identity = [] {
    std::array<std::uint8_t, 256> map{};
    for (std::size_t i = 0; i < map.size(); ++i)
        map[i] = static_cast<std::uint8_t>(i);
    return map;
}();

std::uint64_t hashPiece(std::uint64_t hash, std::string_view piece, const std::uint8_t* map) noexcept
{
    for (const char c : piece)
        hash = (hash ^ map[static_cast<unsigned char>(c)]) * FnvPrime;
    return hash;
}

// Spreads every bit over the whole word, so that both halves can serve as hashes.
std::uint64_t finish(std::uint64_t hash) noexcept
{
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ULL;
    return hash ^ (hash >> 33);
}

bool allMappedPiece(std::string_view piece, const std::uint8_t* map) noexcept
{
    for (const char c : piece) {
        if (map[static_cast<unsigned char>(c)] == 0)
            return false;
    }
    return true;
}

} // namespace

bool equalBytes(const TwoPieceText& a, const TwoPieceText& b) noexcept
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

std::uint64_t hashMapped(const TwoPieceText& text, const std::uint8_t* map) noexcept
{
    return finish(hashPiece(hashPiece(FnvOffset, text.head, map), text.tail, map));
}

std::uint64_t hashBytes(const TwoPieceText& text) noexcept
{
    return hashMapped(text, Identity.data());
}

bool allMapped(const TwoPieceText& text, const std::uint8_t* map) noexcept
{
    return allMappedPiece(text.head, map) && allMappedPiece(text.tail, map);
}

bool equalMapped(const TwoPieceText& a, const TwoPieceText& b, const std::uint8_t* map) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (map[static_cast<unsigned char>(a[i])] != map[static_cast<unsigned char>(b[i])])
            return false;
    }
    return true;
}

} // namespace kvd
