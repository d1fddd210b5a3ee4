#include "report/TerminalText.h"

#include <algorithm>
#include <cstdint>

namespace kvd {

namespace {

void appendOctal(std::string& out, unsigned char byte)
{
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

void appendEscapedByte(std::string& out, unsigned char byte)
{
    static constexpr char Letters[] = "\0\0\0\0\0\0\0abtnvfr";
    if (byte >= 7 && byte <= 13) {
        out += '\\';
        out += Letters[byte];
    } else {
        appendOctal(out, byte);
    }
}

bool isContinuation(unsigned char byte) noexcept { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence that starts text[at] (a byte of 0x80
// or more), or 0 when none does.
std::size_t sequenceLength(std::string_view text, std::size_t at) noexcept
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const std::size_t left = text.size() - at;
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (left < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(byte(i)))
            return 0;
    }
    return length;
}

} // namespace

void appendEscapedControls(std::string& out, std::string_view text)
{
    std::size_t plain = 0; // the start of the bytes not yet appended
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            ++at;
            continue;
        }
        const std::size_t length = byte >= 0x80 ? sequenceLength(text, at) : 0;
        const bool c1Control = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
        if (length > 0 && !c1Control) {
            at += length;
            continue;
        }
        out.append(text.substr(plain, at - plain));
        const std::size_t escapedBytes = c1Control ? 2 : 1;
        for (std::size_t i = 0; i < escapedBytes; ++i)
            appendEscapedByte(out, static_cast<unsigned char>(text[at + i]));
        at += escapedBytes;
        plain = at;
    }
    out.append(text.substr(plain));
}

std::string escapedControls(std::string_view text)
{
    std::string out;
    appendEscapedControls(out, text);
    return out;
}

std::string escapedLines(std::string_view text)
{
    std::string out;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        appendEscapedControls(out, text.substr(start, end - start));
        if (end < text.size())
            out += '\n';
        start = end + 1;
    }
    return out;
}

} // namespace kvd
