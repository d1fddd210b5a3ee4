#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kvd {

// A message to the first start's message endpoint: three 32-bit numbers, sent as 12
// bytes little-endian. The answer is one 32-bit number, 4 bytes little-endian.
struct HandOffMessage {
    std::uint32_t message = 0;
    std::uint32_t wParam = 0;
    std::uint32_t lParam = 0;

    friend bool operator==(const HandOffMessage&, const HandOffMessage&) = default;
};

// The hand-off message: a later start announces its command line. wParam names the
// later start (its transfer blocks), lParam repeats the number as a check value.
inline constexpr std::uint32_t HandOffMessageNumber = 1125;

inline constexpr std::size_t MessageBytes = 12;
inline constexpr std::size_t ReplyBytes = 4;

std::array<std::byte, MessageBytes> encodeMessage(const HandOffMessage& message) noexcept;
HandOffMessage decodeMessage(std::span<const std::byte, MessageBytes> bytes) noexcept;
std::array<std::byte, ReplyBytes> encodeReply(std::uint32_t value) noexcept;
std::uint32_t decodeReply(std::span<const std::byte, ReplyBytes> bytes) noexcept;

// The socket path of the endpoint `number` of the first start that holds the instance
// block `instanceBlockName`, in the folder `dir`:
// "<dir>/<instanceBlockName>::Window::<number>". Nothing when dir is empty or the
// path is too long for a local socket address.
std::optional<std::string> endpointPath(const std::string& dir, const QString& instanceBlockName,
                                        std::uint32_t number);

} // namespace kvd
