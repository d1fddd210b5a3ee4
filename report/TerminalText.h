#pragma once

#include <string>
#include <string_view>

namespace kvd {

// Appends UTF-8 text to out with every byte a terminal could take as a command
// written as a backslash escape, as GNU tools escape names: \a \b \t \n \v \f \r for
// those controls, and three octal digits for the other C0 controls, DEL, the bytes of
// C1 controls (U+0080 to U+009F) and bytes that are not UTF-8 ("x\033[31m" stays
// readable and colours nothing). Every other byte, backslashes included, is kept.
void appendEscapedControls(std::string& out, std::string_view text);

// The same, returned.
std::string escapedControls(std::string_view text);

// Lines of text escaped as appendEscapedControls() does, their line ends (LF) kept.
std::string escapedLines(std::string_view text);

// Appends text to out as it is, or escaped as appendEscapedControls() does.
inline void appendText(std::string& out, std::string_view text, bool escaped)
{
    if (escaped)
        appendEscapedControls(out, text);
    else
        out.append(text);
}

} // namespace kvd
