#pragma once

#include "datafile/HeaderText.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvd {

// Reaches any line of a header by its index without holding the lines: it keeps
// where every Stride-th body line begins and walks forward from there, so a header
// of 50 million lines costs about 6 MB here and a line costs at most Stride short
// scans. It keeps its own copy of the header (which shares the file's bytes), so it
// stays valid when the document's header is replaced.
class HeaderLineIndex {
public:
    static constexpr std::size_t Stride = 64;

    HeaderLineIndex() = default;
    // Reads the whole header once. Throws std::bad_alloc only.
    explicit HeaderLineIndex(const HeaderText& header);

    // Every line, the leading ones included, as forEachLine gives them.
    std::size_t count() const noexcept { return m_count; }
    // Line `lineIndex` (< count()); its text lives as long as the index.
    HeaderLine line(std::size_t lineIndex) const noexcept;

private:
    HeaderText m_header;
    std::size_t m_count = 0;
    std::vector<std::uint64_t> m_strideStarts; // where body line k * Stride begins
};

} // namespace kvd
