#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kvd {

// Data files are bytes. A file is shown as UTF-8 when all of it is valid UTF-8, and
// as Windows-1252 otherwise; encoding a decoded text again gives back its bytes.
enum class TextEncoding { Utf8, Windows1252 };

// Utf8 when bytes are valid UTF-8 (plain ASCII included), else Windows1252.
TextEncoding detectEncoding(std::string_view bytes) noexcept;

QString decodeText(std::string_view bytes, TextEncoding encoding);

// The bytes of text in encoding. Characters that Windows-1252 cannot hold become "?"
// and make `lossless`, when given, false.
std::string encodeText(const QString& text, TextEncoding encoding, bool* lossless = nullptr);

} // namespace kvd
