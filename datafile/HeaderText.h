#pragma once

#include "datafile/FileBytes.h"
#include "datafile/LineReader.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kvd {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// How one run of a header line is drawn. An empty optional means "the editor's
// default" (window-text colour; Tahoma 16 px).
struct RunStyle {
    std::optional<Rgb> colour;
    std::optional<int> pointSize;
    bool bold = false;
    bool italic = false;
    friend bool operator==(const RunStyle&, const RunStyle&) = default;
};

// The styles a header line can be given.
namespace header_styles {
inline const RunStyle firstLine{std::nullopt, std::nullopt, true, false};            // editor default, bold
inline const RunStyle section{Rgb{255, 0, 0}, 12, true, false};                      // [Section]
inline const RunStyle key{Rgb{0, 0, 0}, 10, false, false};                           // "Key=" part
inline const RunStyle value{Rgb{0, 128, 0}, 10, false, false};                       // value part
inline const RunStyle plain{Rgb{0, 0, 0}, 10, false, false};                         // any other line
inline const RunStyle noHeader{std::nullopt, std::nullopt, false, true};             // "(No Header)"
} // namespace header_styles

// What a header line is, which decides how it is drawn.
enum class HeaderLineClass {
    First,    // the file's first line
    Section,  // first character "[" and last character "]"
    KeyValue, // holds "=": a key run up to and including the first "=", then a value run
    Plain,    // any other line, empty lines included
    NoHeader, // the "(No Header)" line of learning files
};

// The class of a header line after the first: the section test comes first and looks
// at the first and last character only, so "[a=b]" is a section line.
HeaderLineClass classOfHeaderLine(std::string_view text) noexcept;

// A stretch of one header line in one style; text holds the file's bytes.
struct HeaderRun {
    std::string_view text;
    const RunStyle* style = nullptr;
};

// One line of the header text: one run, or two for a key=value line.
struct HeaderLine {
    std::string_view text;
    HeaderLineClass lineClass = HeaderLineClass::Plain;

    int runCount() const noexcept { return lineClass == HeaderLineClass::KeyValue ? 2 : 1; }
    // Run 0 or 1.
    HeaderRun run(int runIndex) const noexcept;
};

// The header text of a document as the Header page shows it, with the editor's flags.
// It holds no line of its own: it shares the file's bytes and finds its lines in them
// when they are walked, so a header of millions of lines costs nothing beyond the file.
class HeaderText {
public:
    bool readOnly = false;          // learning files
    bool modified = false;          // a user edit since the loader last cleared it
    bool verticalScrollBar = false; // given by the reader to KVD and WUM headers

    // No line at all: what a new or unrecognised document shows.
    bool empty() const noexcept { return !m_bytes; }

    // A KVD or WUM header: the first line (it begins at 0; the line after it at
    // firstLineNext), then every line from bodyStart up to, not including, the line
    // that begins at bodyNext, in bytes cleaned by LineReader (FileLine positions).
    void setFileHeader(std::shared_ptr<const FileBytes> bytes, std::uint64_t firstLineNext, std::uint64_t bodyStart,
                       std::uint64_t bodyNext);
    // A learning header: the first line, then "(No Header)".
    void setLearningHeader(std::shared_ptr<const FileBytes> bytes, std::uint64_t firstLineNext);

    // Calls visit(const HeaderLine&) for every line, in order. The views live as long
    // as the header.
    template <class Visit>
    void forEachLine(Visit&& visit) const;

    // The lines come in two parts: up to two leading lines (the first line, then
    // "(No Header)" for a learning header), then the body lines read from the file.
    int leadingLineCount() const noexcept { return !m_bytes ? 0 : m_learning ? 2 : 1; }
    // Leading line `index` (< leadingLineCount()).
    HeaderLine leadingLine(int index) const noexcept;
    // The first body line begins at bodyStart(); the body ends where a line would
    // begin at bodyEnd(). Each body line begins where the one before it ends.
    std::uint64_t bodyStart() const noexcept { return m_bodyStart; }
    std::uint64_t bodyEnd() const noexcept { return m_bodyNext; }
    // Where the body line that begins at `start` (< bodyEnd()) ends, that is where
    // the next begins. Reads the line's bytes; allocates nothing.
    std::uint64_t nextBodyLine(std::uint64_t start) const noexcept;
    // The body line that begins at `start` (< bodyEnd()), whose next line begins at `next`.
    HeaderLine bodyLine(std::uint64_t start, std::uint64_t next) const noexcept;

private:
    std::shared_ptr<const FileBytes> m_bytes;
    std::uint64_t m_firstLineNext = 0; // the first line begins at 0
    std::uint64_t m_bodyStart = 0;
    std::uint64_t m_bodyNext = 0;
    bool m_learning = false;
};

template <class Visit>
void HeaderText::forEachLine(Visit&& visit) const
{
    for (int index = 0; index < leadingLineCount(); ++index)
        visit(leadingLine(index));
    for (std::uint64_t start = m_bodyStart; start < m_bodyNext;) {
        const std::uint64_t next = nextBodyLine(start);
        visit(bodyLine(start, next));
        start = next;
    }
}

} // namespace kvd
