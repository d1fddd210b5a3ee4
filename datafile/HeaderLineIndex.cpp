#include "datafile/HeaderLineIndex.h"

namespace kvd {

HeaderLineIndex::HeaderLineIndex(const HeaderText& header)
    : m_header(header)
{
    std::size_t bodyLines = 0;
    for (std::uint64_t start = m_header.bodyStart(); start < m_header.bodyEnd(); start = m_header.nextBodyLine(start)) {
        if (bodyLines % Stride == 0)
            m_strideStarts.push_back(start);
        ++bodyLines;
    }
    m_strideStarts.shrink_to_fit();
    m_count = static_cast<std::size_t>(m_header.leadingLineCount()) + bodyLines;
}

HeaderLine HeaderLineIndex::line(std::size_t lineIndex) const noexcept
{
    const auto leading = static_cast<std::size_t>(m_header.leadingLineCount());
    if (lineIndex < leading)
        return m_header.leadingLine(static_cast<int>(lineIndex));
    const std::size_t bodyIndex = lineIndex - leading;
    std::uint64_t start = m_strideStarts[bodyIndex / Stride];
    for (std::size_t skipped = bodyIndex % Stride; skipped > 0; --skipped)
        start = m_header.nextBodyLine(start);
    return m_header.bodyLine(start, m_header.nextBodyLine(start));
}

} // namespace kvd
