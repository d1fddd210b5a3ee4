#pragma once

#include "report/ReportOutput.h"

#include <string>

namespace kvd {

// Bytes for standard output gathered into batches of about 64 KiB and handed to a
// sink one batch at a time, so that an output of millions of lines is written as it
// is made and never held whole.
class OutputBatch {
public:
    static constexpr std::size_t BatchBytes = 64 * 1024;

    explicit OutputBatch(const ReportSink& sink) : m_sink(sink) {}

    // The bytes not yet handed on; callers append to it.
    std::string& text() noexcept { return m_text; }

    // Hands the bytes on once they fill a batch. False once the sink refused bytes.
    bool flushIfFull() { return m_text.size() < BatchBytes || flush(); }
    // Hands every byte held on. False once the sink refused bytes.
    bool flush()
    {
        const bool taken = m_text.empty() || m_sink(m_text);
        m_text.clear();
        return taken;
    }

private:
    const ReportSink& m_sink;
    std::string m_text;
};

} // namespace kvd
