#include "document/DataPartStream.h"

#include <utility>

namespace kvd {

namespace {

constexpr std::string_view DataLine = "[Data]";
constexpr std::string_view LineEnd = "\r\n";

} // namespace

DataPartStream::State DataPartStream::feed(std::string_view block, std::string& out)
{
    for (std::size_t i = 0; i < block.size() && m_state == State::Searching; ++i) {
        const char byte = block[i];
        if (byte == '\n') {
            endHeaderLine();
            if (m_state == State::InData)
                block.remove_prefix(i + 1);
        } else if (byte != '\r' && m_lineStart.size() <= DataLine.size()) {
            m_lineStart += byte;
        }
    }
    if (m_state == State::InData)
        convert(block, out);
    return m_state;
}

DataPartStream::State DataPartStream::finish(std::string& out)
{
    if (m_state == State::Searching && !m_lineStart.empty())
        endHeaderLine();
    if (m_state == State::InData && m_dataLineOpen)
        out += LineEnd;
    return m_state;
}

void DataPartStream::endHeaderLine()
{
    ++m_lineNumber;
    const std::string lineStart = std::exchange(m_lineStart, {});
    if (lineStart == DataLine)
        m_state = State::InData;
    else if (lineStart.starts_with(DataLine))
        m_state = State::Ambiguous;
}

// Every CR is dropped (it either ends a line with its LF or is dropped by the line
// rules) and every LF becomes CR LF.
void DataPartStream::convert(std::string_view bytes, std::string& out)
{
    for (const char byte : bytes) {
        if (byte == '\n') {
            out += LineEnd;
            m_dataLineOpen = false;
        } else if (byte != '\r') {
            out += byte;
            m_dataLineOpen = true;
        }
    }
}

} // namespace kvd
