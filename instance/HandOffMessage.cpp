#include "instance/HandOffMessage.h"

#include "instance/LittleEndian.h"

#include <sys/un.h>

namespace kvd {

std::array<std::byte, MessageBytes> encodeMessage(const HandOffMessage& message) noexcept
{
    std::array<std::byte, MessageBytes> bytes{};
    putLittleEndian32(bytes.data(), message.message);
    putLittleEndian32(bytes.data() + 4, message.wParam);
    putLittleEndian32(bytes.data() + 8, message.lParam);
    return bytes;
}

HandOffMessage decodeMessage(std::span<const std::byte, MessageBytes> bytes) noexcept
{
    return {getLittleEndian32(bytes.data()), getLittleEndian32(bytes.data() + 4), getLittleEndian32(bytes.data() + 8)};
}

std::array<std::byte, ReplyBytes> encodeReply(std::uint32_t value) noexcept
{
    std::array<std::byte, ReplyBytes> bytes{};
    putLittleEndian32(bytes.data(), value);
    return bytes;
}

std::uint32_t decodeReply(std::span<const std::byte, ReplyBytes> bytes) noexcept
{
    return getLittleEndian32(bytes.data());
}

std::optional<std::string> endpointPath(const std::string& dir, const QString& instanceBlockName,
                                        std::uint32_t number)
{
    std::string path = dir + "/" + instanceBlockName.toStdString() + "::Window::" + std::to_string(number);
    if (dir.empty() || path.size() >= sizeof(sockaddr_un{}.sun_path))
        return std::nullopt;
    return path;
}

} // namespace kvd
