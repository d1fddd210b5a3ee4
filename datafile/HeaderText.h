#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// A stretch of one header line in one style. text holds the file's bytes.
struct HeaderRun {
    std::string text;
    RunStyle style;
    friend bool operator==(const HeaderRun&, const HeaderRun&) = default;
};

// One line of the header text: one or two runs; an empty line has one empty run.
struct HeaderLine {
    std::vector<HeaderRun> runs;

    // The line's bytes, runs joined.
    std::string text() const;
};

// The header text of a document as the Header page shows it, with the editor's flags.
struct HeaderText {
    std::vector<HeaderLine> lines;
    bool readOnly = false;          // learning files
    bool modified = false;          // a user edit since the loader last cleared it
    bool verticalScrollBar = false; // given by the reader to KVD and WUM headers

    void appendLine(std::string text, const RunStyle& style);
    // Appends a file header line, styled by its class: section, key=value or plain.
    void appendStyledLine(std::string text);
};

} // namespace kvd
