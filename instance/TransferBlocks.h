#pragma once

#include "instance/SharedMemoryBlock.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kvd {

// The two blocks by which a later start named appHandle hands its command line over:
// the size cell (4 bytes: the size of the command-line block, 32 bits little-endian)
// and the command-line block (see CommandLineBlock.h).

// The sending side: both blocks exist, filled and unmapped, for the lifetime of the
// object; the destructor removes their names. The receiver keeps what it opened.
class OutgoingTransfer {
public:
    // Creates and fills both blocks, replacing blocks of that name left by a start
    // that died. Throws IoError.
    OutgoingTransfer(std::int32_t appHandle, const QString& commandLine);
    ~OutgoingTransfer();
    OutgoingTransfer(const OutgoingTransfer&) = delete;
    OutgoingTransfer& operator=(const OutgoingTransfer&) = delete;

private:
    void removeNames() noexcept;

    std::optional<SharedMemoryBlock> m_sizeCell;
    std::optional<SharedMemoryBlock> m_commandLineBlock;
};

// The receiving side. Opening takes both blocks at once, so that they outlive the
// sender's handles; a block that is missing or belongs to another user stays unopened.
class IncomingTransfer {
public:
    explicit IncomingTransfer(std::int32_t appHandle) noexcept;

    bool isOpen() const noexcept { return m_sizeCell && m_commandLineBlock; }

    // Reads the size S from the size cell, closes it and maps the first S bytes of the
    // command-line block. Throws Error or IoError (a size past the block's end among
    // them). Only when isOpen().
    std::span<const std::byte> mapCommandLineBlock();

private:
    std::optional<SharedMemoryBlock> m_sizeCell;
    std::optional<SharedMemoryBlock> m_commandLineBlock;
};

} // namespace kvd
