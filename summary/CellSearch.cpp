#include "summary/CellSearch.h"

#include "summary/AsciiText.h"
#include "summary/Collation.h"

#include <unicode/ucoleitr.h>
#include <unicode/usearch.h>

#include <algorithm>
#include <unordered_set>
#include <cstdint>
#include <cstring>

namespace kvd {

namespace {

// The text a search holds between two cells.
const UChar Placeholder[] = {u' '};

bool allPrintableAscii(std::string_view bytes) noexcept
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return isPrintableAscii(static_cast<unsigned char>(c)); });
}

bool printableBytes(const char* bytes, std::size_t count, char separator) noexcept
{
    for (std::size_t i = 0; i < count; ++i) {
        if (!isPrintableAscii(static_cast<unsigned char>(bytes[i])) && bytes[i] != separator)
            return false;
    }
    return true;
}

// True when every byte of the line is printable ASCII or the separator. Looks at 8
// bytes at a time, and at single bytes only in words that hold a byte below 0x20 or
// 0x7F (such as a TAB separator).
bool printableAsciiLine(std::string_view line, char separator) noexcept
{
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    constexpr std::uint64_t Highs = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= line.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, line.data() + i, 8);
        if (word & Highs)
            return false;
        const std::uint64_t below = (word - Ones * 0x20) & ~word & Highs;
        const std::uint64_t del = word ^ (Ones * 0x7F);
        const std::uint64_t isDel = (del - Ones) & ~del & Highs;
        if ((below | isDel) && !printableBytes(line.data() + i, 8, separator))
            return false;
    }
    return printableBytes(line.data() + i, line.size() - i, separator);
}

// Adds the collation elements of `text` to `elements`, without their tertiary (letter
// case) part; ignorable elements are left out.
void addCollationElements(UCollationElements* iterator, const QString& text,
                          std::unordered_set<std::int32_t>& elements)
{
    UErrorCode status = U_ZERO_ERROR;
    ucol_setText(iterator, reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()), &status);
    for (int32_t element = ucol_next(iterator, &status); U_SUCCESS(status) && element != UCOL_NULLORDER;
         element = ucol_next(iterator, &status)) {
        const auto masked = static_cast<std::int32_t>(static_cast<std::uint32_t>(element) & 0xFFFFFF00u);
        if (masked != 0)
            elements.insert(masked);
    }
}

// True when text made of printable ASCII may hold a piece equal to `text` under the
// collator: every collation element of `text` is one that printable ASCII characters
// give, alone, in pairs or as three letters (which covers contractions such as "ch").
// "é" cannot be matched in ASCII; "ß" (as "ss") and fullwidth letters can.
bool asciiMayMatch(const UCollator* collator, const QString& text)
{
    UErrorCode status = U_ZERO_ERROR;
    UCollationElements* iterator = ucol_openElements(collator, nullptr, 0, &status);
    if (U_FAILURE(status) || !iterator)
        return true;
    std::unordered_set<std::int32_t> needed;
    addCollationElements(iterator, text, needed);
    std::unordered_set<std::int32_t> ascii;
    QString piece;
    for (char16_t a = FirstPrintableAscii; a <= LastPrintableAscii; ++a) {
        for (char16_t b = FirstPrintableAscii; b <= LastPrintableAscii; ++b) {
            piece = QString(QChar(a)) + QChar(b);
            addCollationElements(iterator, piece, ascii);
        }
    }
    for (char16_t a = 'a'; a <= 'z'; ++a)
        for (char16_t b = 'a'; b <= 'z'; ++b)
            for (char16_t c = 'a'; c <= 'z'; ++c) {
                piece = QString(QChar(a)) + QChar(b) + QChar(c);
                addCollationElements(iterator, piece, ascii);
            }
    ucol_closeElements(iterator);
    return std::all_of(needed.cbegin(), needed.cend(),
                       [&](std::int32_t element) { return ascii.count(element) > 0; });
}

} // namespace

CellSearch::CellSearch(const QString& text, const Collation& collation, TextEncoding encoding)
    : m_text(text), m_encoding(encoding)
{
    if (m_text.isEmpty())
        return;
    const bool printable = std::all_of(m_text.cbegin(), m_text.cend(),
                                       [](QChar c) { return isPrintableAscii(c.unicode()); });
    if (printable && collation.hasAsciiRanks()) {
        m_asciiText = true;
        for (const QChar c : m_text)
            m_foldedText.push_back(static_cast<char>(foldAscii(static_cast<unsigned char>(c.unicode()))));
        const std::size_t length = m_foldedText.size();
        for (std::size_t& shift : m_shift)
            shift = length;
        for (std::size_t k = 0; k + 1 < length; ++k)
            m_shift[static_cast<unsigned char>(m_foldedText[k])] = length - 1 - k;
    }
    if (const UCollator* collator = collation.icuCollator()) {
        UErrorCode status = U_ZERO_ERROR;
        // Each cell's text is set before it is searched.
        m_search = usearch_openFromCollator(reinterpret_cast<const UChar*>(m_text.utf16()),
                                            static_cast<int32_t>(m_text.size()), Placeholder, 1, collator, nullptr,
                                            &status);
        if (U_FAILURE(status)) {
            if (m_search)
                usearch_close(m_search);
            m_search = nullptr;
        }
    }
    if (!m_search)
        m_foldedFallback = m_text.toCaseFolded();
    else if (!m_asciiText)
        m_asciiLinesMayMatch = asciiMayMatch(collation.icuCollator(), m_text);
}

CellSearch::~CellSearch()
{
    if (m_search)
        usearch_close(m_search);
}

bool CellSearch::foldedContains(std::string_view bytes) const noexcept
{
    // Boyer-Moore-Horspool on folded bytes: most windows are passed over whole.
    const std::size_t length = m_foldedText.size();
    if (length > bytes.size())
        return false;
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* pattern = reinterpret_cast<const unsigned char*>(m_foldedText.data());
    const unsigned char lastOfPattern = pattern[length - 1];
    for (std::size_t i = 0; i + length <= bytes.size();) {
        const unsigned char last = foldAscii(text[i + length - 1]);
        if (last == lastOfPattern) {
            std::size_t k = 0;
            while (k + 1 < length && foldAscii(text[i + k]) == pattern[k])
                ++k;
            if (k + 1 == length)
                return true;
        }
        i += m_shift[last];
    }
    return false;
}

bool CellSearch::collationContains(std::string_view cell) const
{
    const QString decoded = decodeText(cell, m_encoding);
    if (decoded.isEmpty())
        return false;
    if (!m_search)
        return decoded.toCaseFolded().contains(m_foldedFallback);
    UErrorCode status = U_ZERO_ERROR;
    usearch_setText(m_search, reinterpret_cast<const UChar*>(decoded.utf16()), static_cast<int32_t>(decoded.size()),
                    &status);
    if (U_FAILURE(status))
        return false;
    const int32_t found = usearch_first(m_search, &status);
    // The cell's text lives only during this call.
    UErrorCode reset = U_ZERO_ERROR;
    usearch_setText(m_search, Placeholder, 1, &reset);
    return U_SUCCESS(status) && found != USEARCH_DONE;
}

bool CellSearch::matches(std::string_view cell) const
{
    if (m_text.isEmpty() || cell.empty())
        return false;
    if (m_asciiText && allPrintableAscii(cell))
        return foldedContains(cell);
    return collationContains(cell);
}

bool CellSearch::lineMayMatch(std::string_view line, char separator) const
{
    if (m_text.isEmpty())
        return false;
    if (!m_asciiText)
        return m_asciiLinesMayMatch || !printableAsciiLine(line, separator);
    // A line of printable ASCII (and separators) can only match by folding.
    return foldedContains(line) || !printableAsciiLine(line, separator);
}

} // namespace kvd
