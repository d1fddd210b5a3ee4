#pragma once

#include <cstddef>
#include <cstdint>

namespace kvd {

// 32-bit numbers in shared blocks and messages are stored little-endian, whatever the
// machine's own order.
inline void putLittleEndian32(std::byte* at, std::uint32_t value) noexcept
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::byte>(value >> (8 * i));
}

inline std::uint32_t getLittleEndian32(const std::byte* at) noexcept
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::to_integer<std::uint32_t>(at[i]);
    return value;
}

} // namespace kvd
