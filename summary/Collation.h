#pragma once

#include "datafile/TextEncoding.h"
#include "summary/TwoPieceText.h"

#include <QLocale>
#include <QStringView>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

struct UCollator;

namespace kvd {

// The case-insensitive, locale-aware order by which the summary report merges and
// sorts distinct values: the order of a QCollator of the locale set to ignore case.
// Texts that differ only in letter case are equal.
//
// The order is given as sort keys: two texts' keys compare as the texts do (bytes
// compared as unsigned, a key that is the beginning of another one first), and are
// equal exactly when the texts are. The keys come from one of two makers, each
// needed because QCollator itself works in one of two ways:
//  - in every locale but C, QCollator runs an ICU collator at secondary strength:
//    keys are that collator's sort keys, the ICU collator being opened with the
//    same locale name and settings;
//  - in the C locale (and where ICU cannot open a locale's collator) QCollator
//    compares UTF-16 code units after simple case folding: keys are the folded
//    text as big-endian UTF-16.
// Plain ASCII texts, which nearly all cells are, have a cheaper form, the rank key
// (see asciiRank()); it exists because making ICU keys for millions of cells costs
// more than the rest of the report.
//
// After construction every member is const and may run in several threads at once.
class Collation {
public:
    explicit Collation(const QLocale& locale);
    ~Collation();
    Collation(const Collation&) = delete;
    Collation& operator=(const Collation&) = delete;

    // The collation of a locale, built on first use and kept for the calling thread.
    static const Collation& forLocale(const QLocale& locale);

    // Appends the sort key of text to `key`. Does not throw (apart from allocation).
    void appendKey(QStringView text, std::string& key) const;
    // The same for bytes in `encoding`.
    void appendKey(const TwoPieceText& text, TextEncoding encoding, std::string& key) const;

    // Rank keys: when every printable ASCII character (0x20..0x7E) collates as one
    // element of its own (no contraction, no expansion, not ignorable) and only upper
    // and lower case of a letter share a first-level weight, a text of such
    // characters orders and matches as the string of their ranks. asciiRank() is that
    // rank, 1..255, or 0 for a byte without one (any byte where the condition fails).
    // Rank keys and the keys of appendKey() are never compared with each other.
    std::uint8_t asciiRank(unsigned char byte) const noexcept { return m_asciiRanks[byte]; }
    bool hasAsciiRanks() const noexcept { return m_asciiRanks['a'] != 0; }
    // asciiRank() of every byte, 256 entries.
    const std::uint8_t* asciiRanks() const noexcept { return m_asciiRanks.data(); }
    // Appends the rank key of text, whose every byte has a rank.
    void appendRankKey(const TwoPieceText& text, std::string& key) const;

    // Below 0, 0 or above 0 as a is before, equal to or after b (by their keys).
    int compare(QStringView a, QStringView b) const;

    // The ICU collator whose keys appendKey() gives, for finding a text inside
    // another one; nullptr where the keys are folded texts (the C locale).
    const UCollator* icuCollator() const noexcept;

private:
    struct IcuCollator;

    std::unique_ptr<IcuCollator> m_icu; // null in the C locale
    std::array<std::uint8_t, 256> m_asciiRanks{};
};

} // namespace kvd
