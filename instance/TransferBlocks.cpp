#include "instance/TransferBlocks.h"

#include "common/Errors.h"
#include "instance/CommandLineBlock.h"
#include "instance/InstanceNames.h"
#include "instance/LittleEndian.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kvd {

namespace {

constexpr std::size_t SizeCellBytes = 4;

SharedMemoryBlock createReplacing(const std::string& name, std::size_t size)
{
    try {
        return SharedMemoryBlock::createExclusive(name, size);
    } catch (const IoError& error) {
        if (error.errorCode() != EEXIST)
            throw;
    }
    ::unlink(name.c_str());
    return SharedMemoryBlock::createExclusive(name, size);
}

std::optional<SharedMemoryBlock> openQuietly(const QString& name) noexcept
{
    try {
        return SharedMemoryBlock::open(sharedObjectPath(name));
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace

OutgoingTransfer::OutgoingTransfer(std::int32_t appHandle, const QString& commandLine)
{
    const QByteArray content = buildCommandLineBlock(commandLine);
    const auto size = static_cast<std::size_t>(content.size());

    try {
        m_sizeCell = createReplacing(sharedObjectPath(sizeCellName(appHandle)), SizeCellBytes);
        putLittleEndian32(m_sizeCell->map(SizeCellBytes).data(), static_cast<std::uint32_t>(size));
        m_sizeCell->unmap();

        m_commandLineBlock = createReplacing(sharedObjectPath(commandLineBlockName(appHandle)), size);
        std::memcpy(m_commandLineBlock->map(size).data(), content.constData(), size);
        m_commandLineBlock->unmap();
    } catch (...) {
        removeNames();
        throw;
    }
}

OutgoingTransfer::~OutgoingTransfer()
{
    removeNames();
}

void OutgoingTransfer::removeNames() noexcept
{
    if (m_sizeCell)
        m_sizeCell->unlink();
    if (m_commandLineBlock)
        m_commandLineBlock->unlink();
}

IncomingTransfer::IncomingTransfer(std::int32_t appHandle) noexcept
    : m_sizeCell(openQuietly(sizeCellName(appHandle))),
      m_commandLineBlock(openQuietly(commandLineBlockName(appHandle)))
{
}

std::span<const std::byte> IncomingTransfer::mapCommandLineBlock()
{
    const std::uint32_t size = getLittleEndian32(m_sizeCell->map(SizeCellBytes).data());
    m_sizeCell.reset();
    return m_commandLineBlock->map(size);
}

} // namespace kvd
