#include "instance/CommandLineBlock.h"

#include "common/Errors.h"
#include "instance/LittleEndian.h"

#include <cstring>
#include <string>

namespace kvd {

QByteArray buildCommandLineBlock(const QString& commandLine)
{
    const QByteArray utf8 = commandLine.toUtf8();
    const auto n = static_cast<std::uint32_t>(utf8.size());
    QByteArray block(static_cast<qsizetype>(n) + 5, '\0');
    putLittleEndian32(reinterpret_cast<std::byte*>(block.data()), n + 1);
    std::memcpy(block.data() + 4, utf8.constData(), n);
    return block;
}

QString readCommandLineBlock(std::span<const std::byte> block)
{
    if (block.size() < 4)
        throw Error("Command-line block of " + std::to_string(block.size()) + " bytes has no length");
    const std::uint32_t length = getLittleEndian32(block.data());
    if (length > block.size() - 4)
        throw Error("Command-line block of " + std::to_string(block.size()) + " bytes announces "
                    + std::to_string(length) + " bytes of text");
    const char* text = reinterpret_cast<const char*>(block.data() + 4);
    const void* zero = std::memchr(text, 0, length);
    const std::size_t size = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : length;
    return QString::fromUtf8(text, static_cast<qsizetype>(size));
}

} // namespace kvd
