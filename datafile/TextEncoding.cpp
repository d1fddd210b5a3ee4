#include "datafile/TextEncoding.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace kvd {

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map
// to the C1 control of the same number, so that every byte survives a round trip.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

} // namespace

TextEncoding detectEncoding(std::string_view bytes) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Plain ASCII runs, eight bytes at a time.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t minimum = 0;
        std::uint32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2; minimum = 0x80; code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3; minimum = 0x800; code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4; minimum = 0x10000; code = lead & 0x07u;
        } else {
            return TextEncoding::Windows1252;
        }
        if (static_cast<std::size_t>(end - p) < length)
            return TextEncoding::Windows1252;
        for (std::size_t i = 1; i < length; ++i) {
            if (!isContinuation(p[i]))
                return TextEncoding::Windows1252;
            code = (code << 6) | (p[i] & 0x3Fu);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return TextEncoding::Windows1252;
        p += length;
    }
    return TextEncoding::Utf8;
}

QString decodeText(std::string_view bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(byte >= 0x80 && byte <= 0x9F ? Windows1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

std::string encodeText(const QString& text, TextEncoding encoding, bool* lossless)
{
    if (lossless)
        *lossless = true;
    if (encoding == TextEncoding::Utf8) {
        const QByteArray utf8 = text.toUtf8();
        return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            bytes.push_back(static_cast<char>(unit));
            continue;
        }
        char encoded = '?';
        bool found = false;
        for (std::size_t i = 0; i < Windows1252High.size(); ++i) {
            if (Windows1252High[i] == unit) {
                encoded = static_cast<char>(0x80 + i);
                found = true;
                break;
            }
        }
        if (!found && lossless)
            *lossless = false;
        bytes.push_back(encoded);
    }
    return bytes;
}

} // namespace kvd
