#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <span>

namespace kvd {

// The content of a command-line block for a command line of n bytes in UTF-8, n + 5
// bytes in all: n + 1 as 32 bits little-endian, the n bytes, one zero byte.
QByteArray buildCommandLineBlock(const QString& commandLine);

// The command line held by a command-line block: the length L at offset 0, L bytes
// from offset 4 cut at the first zero byte, decoded from UTF-8 (a broken sequence
// becomes U+FFFD). Throws Error when the block is shorter than 4 bytes or L runs past
// its end.
QString readCommandLineBlock(std::span<const std::byte> block);

} // namespace kvd
