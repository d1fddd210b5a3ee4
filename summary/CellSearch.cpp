#include "summary/CellSearch.h"

#include "summary/Collation.h"

#include <unicode/usearch.h>

#include <algorithm>
#include <cstring>

namespace kvd {

namespace {

unsigned char foldAscii(unsigned char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool isPrintableAscii(unsigned char c) noexcept
{
    return c >= 0x20 && c <= 0x7E;
}

bool allPrintableAscii(std::string_view bytes) noexcept
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return isPrintableAscii(static_cast<unsigned char>(c)); });
}

} // namespace

CellSearch::CellSearch(const QString& text, const Collation& collation, TextEncoding encoding)
    : m_text(text), m_encoding(encoding)
{
    if (m_text.isEmpty())
        return;
    const QByteArray latin = m_text.toLatin1();
    if (m_text.size() == latin.size() && allPrintableAscii(std::string_view(latin.constData(), latin.size()))
        && collation.foldsPrintableAscii()) {
        m_asciiText = true;
        for (const char c : latin) {
            m_foldedText.push_back(static_cast<char>(foldAscii(static_cast<unsigned char>(c))));
        }
    }
    if (const UCollator* collator = collation.icuCollator()) {
        UErrorCode status = U_ZERO_ERROR;
        // A single-character placeholder text; each cell is set before it is searched.
        static const UChar placeholder[] = {u' '};
        m_search = usearch_openFromCollator(reinterpret_cast<const UChar*>(m_text.utf16()),
                                            static_cast<int32_t>(m_text.size()), placeholder, 1, collator, nullptr,
                                            &status);
        if (U_FAILURE(status)) {
            if (m_search)
                usearch_close(m_search);
            m_search = nullptr;
        }
    }
    if (!m_search)
        m_foldedFallback = m_text.toCaseFolded();
}

CellSearch::~CellSearch()
{
    if (m_search)
        usearch_close(m_search);
}

bool CellSearch::foldedContains(std::string_view bytes) const noexcept
{
    const std::size_t length = m_foldedText.size();
    if (length > bytes.size())
        return false;
    const auto first = static_cast<unsigned char>(m_foldedText[0]);
    const std::size_t last = bytes.size() - length;
    for (std::size_t i = 0; i <= last; ++i) {
        if (foldAscii(static_cast<unsigned char>(bytes[i])) != first)
            continue;
        std::size_t k = 1;
        while (k < length && foldAscii(static_cast<unsigned char>(bytes[i + k])) == static_cast<unsigned char>(m_foldedText[k]))
            ++k;
        if (k == length)
            return true;
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
    static const UChar placeholder[] = {u' '};
    UErrorCode reset = U_ZERO_ERROR;
    usearch_setText(m_search, placeholder, 1, &reset);
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
        return true;
    // A line of printable ASCII (and separators) can only match by folding.
    bool plain = true;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        plain &= isPrintableAscii(byte) || c == separator;
    }
    return !plain || foldedContains(line);
}

} // namespace kvd
