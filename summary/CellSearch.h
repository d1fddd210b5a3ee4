#pragma once

#include "datafile/TextEncoding.h"

#include <QString>

#include <string>
#include <string_view>

struct UStringSearch;

namespace kvd {

class Collation;

// Whether a cell contains a search text, ignoring letter case under a Collation: a
// cell matches when a piece of it is equal to the text as the summary's distinct
// values compare texts. Cells and search text of printable ASCII are compared by
// ASCII case folding where the collation agrees that this is its equality; other
// cells are decoded and searched with the collation's ICU collator (or, without one,
// by Unicode case folding). The collation must outlive the search.
class CellSearch {
public:
    // An empty text matches no cell.
    CellSearch(const QString& text, const Collation& collation, TextEncoding encoding);
    ~CellSearch();
    CellSearch(const CellSearch&) = delete;
    CellSearch& operator=(const CellSearch&) = delete;

    const QString& text() const noexcept { return m_text; }

    // True when the cell holds the text.
    bool matches(std::string_view cell) const;

    // False when no field of `line` (split on `separator`) can hold the text; a quick
    // test that lets a search skip most lines of a large table without splitting them.
    bool lineMayMatch(std::string_view line, char separator) const;

private:
    bool foldedContains(std::string_view bytes) const noexcept;
    bool collationContains(std::string_view cell) const;

    QString m_text;
    TextEncoding m_encoding;
    std::string m_foldedText;   // the text folded to lower-case ASCII, when m_asciiText
    std::size_t m_shift[256] = {}; // Horspool's shift for each folded last byte of a window
    bool m_asciiText = false;   // printable ASCII text, compared by folding on ASCII cells
    bool m_asciiLinesMayMatch = true; // a text beyond ASCII: may lines of printable ASCII hold it?
    UStringSearch* m_search = nullptr;
    QString m_foldedFallback;   // the case-folded text, without an ICU collator
};

} // namespace kvd
