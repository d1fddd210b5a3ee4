#include "summary/TwoPieceText.h"

#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstring>

namespace kvd {

namespace {

constexpr std::array<std::uint8_t, 256> Identity = [] {
    std::array<std::uint8_t, 256> map{};
    for (std::size_t i = 0; i < map.size(); ++i)
        map[i] = static_cast<std::uint8_t>(i);
    return map;
}();

// The secret that keys every hash of the process: four random words from the system,
// or, should it have none to give, what the clock, the process and the address space
// layout make of it.
struct HashKey {
    std::array<std::uint64_t, 4> words{};
};

const HashKey& hashKey() noexcept
{
    static const HashKey key = [] {
        HashKey made;
        const auto size = sizeof made.words;
        if (::getrandom(made.words.data(), size, GRND_NONBLOCK) != static_cast<ssize_t>(size)) {
            const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
            std::uint64_t seed = now ^ (std::uint64_t(::getpid()) << 32) ^ reinterpret_cast<std::uintptr_t>(&made);
            for (std::uint64_t& word : made.words)
                word = seed = seed * 0x9E3779B97F4A7C15ULL + 0xD1B54A32D192ED03ULL;
        }
        return made;
    }();
    return key;
}

// The two halves of the 128-bit product, folded: every bit of either factor reaches
// every bit of the result.
inline std::uint64_t fold(std::uint64_t a, std::uint64_t b) noexcept
{
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

// Hashes a byte stream eight bytes at a time, each word folded with the state under
// the key, so that a text costs one multiplication per eight bytes.
class KeyedHash {
public:
    KeyedHash() noexcept : m_key(hashKey()), m_state(m_key.words[0]) {}

    void add(std::string_view piece, const std::uint8_t* map) noexcept
    {
        if (map == Identity.data()) {
            // Whole words straight from the text, as the loop below would gather them
            // (the first byte lowest) on this little-endian machine.
            static_assert(std::endian::native == std::endian::little);
            for (; m_shift == 0 && piece.size() >= 8; piece.remove_prefix(8)) {
                std::memcpy(&m_word, piece.data(), 8);
                addWord();
            }
        }
        for (const char c : piece) {
            m_word |= std::uint64_t{map[static_cast<unsigned char>(c)]} << m_shift;
            m_shift += 8;
            if (m_shift == 64)
                addWord();
        }
    }

    std::uint64_t finish(std::size_t size) noexcept
    {
        m_state = fold(m_word ^ m_key.words[3] ^ size, m_state ^ m_key.words[2]);
        // Spreads every bit over the whole word, so that both halves can serve as hashes.
        std::uint64_t hash = m_state;
        hash ^= hash >> 33;
        hash *= 0xff51afd7ed558ccdULL;
        hash ^= hash >> 33;
        hash *= 0xc4ceb9fe1a85ec53ULL;
        return hash ^ (hash >> 33);
    }

private:
    void addWord() noexcept
    {
        m_state = fold(m_word ^ m_key.words[1], m_state ^ m_key.words[2]);
        m_word = 0;
        m_shift = 0;
    }

    const HashKey& m_key;
    std::uint64_t m_state;
    std::uint64_t m_word = 0;
    unsigned m_shift = 0;
};

template <class Map>
int comparePieces(const TwoPieceText& a, const TwoPieceText& b, Map map) noexcept
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned left = map(static_cast<unsigned char>(a[i]));
        const unsigned right = map(static_cast<unsigned char>(b[i]));
        if (left != right)
            return left < right ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
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
    KeyedHash hash;
    hash.add(text.head, map);
    hash.add(text.tail, map);
    return hash.finish(text.size());
}

std::uint64_t hashBytes(const TwoPieceText& text) noexcept
{
    return hashMapped(text, Identity.data());
}

int compareBytes(const TwoPieceText& a, const TwoPieceText& b) noexcept
{
    if (a.tail.empty() && b.tail.empty())
        return a.head.compare(b.head) < 0 ? -1 : (a.head == b.head ? 0 : 1);
    return comparePieces(a, b, [](unsigned byte) { return byte; });
}

int compareMapped(const TwoPieceText& a, const TwoPieceText& b, const std::uint8_t* map) noexcept
{
    return comparePieces(a, b, [map](unsigned byte) { return unsigned{map[byte]}; });
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
