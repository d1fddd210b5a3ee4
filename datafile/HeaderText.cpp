#include "datafile/HeaderText.h"

namespace kvd {

HeaderLineClass classOfHeaderLine(std::string_view text) noexcept
{
    if (!text.empty() && text.front() == '[' && text.back() == ']')
        return HeaderLineClass::Section;
    if (text.find('=') != std::string_view::npos)
        return HeaderLineClass::KeyValue;
    return HeaderLineClass::Plain;
}

HeaderRun HeaderLine::run(int runIndex) const noexcept
{
    switch (lineClass) {
    case HeaderLineClass::First: return {text, &header_styles::firstLine};
    case HeaderLineClass::Section: return {text, &header_styles::section};
    case HeaderLineClass::Plain: return {text, &header_styles::plain};
    case HeaderLineClass::NoHeader: return {text, &header_styles::noHeader};
    case HeaderLineClass::KeyValue: break;
    }
    const std::size_t equals = text.find('=') + 1;
    return runIndex == 0 ? HeaderRun{text.substr(0, equals), &header_styles::key}
                         : HeaderRun{text.substr(equals), &header_styles::value};
}

void HeaderText::setFileHeader(std::shared_ptr<const FileBytes> bytes, std::uint64_t firstLineNext,
                               std::uint64_t bodyStart, std::uint64_t bodyNext)
{
    m_bytes = std::move(bytes);
    m_firstLineNext = firstLineNext;
    m_bodyStart = bodyStart;
    m_bodyNext = bodyNext;
    m_learning = false;
}

void HeaderText::setLearningHeader(std::shared_ptr<const FileBytes> bytes, std::uint64_t firstLineNext)
{
    m_bytes = std::move(bytes);
    m_firstLineNext = firstLineNext;
    m_bodyStart = m_bodyNext = firstLineNext;
    m_learning = true;
}

HeaderLine HeaderText::leadingLine(int index) const noexcept
{
    if (index == 0)
        return {cleanedLineText(m_bytes->view(), 0, m_firstLineNext), HeaderLineClass::First};
    return {"(No Header)", HeaderLineClass::NoHeader};
}

std::uint64_t HeaderText::nextBodyLine(std::uint64_t start) const noexcept
{
    const std::string_view bytes = m_bytes->view();
    const std::size_t lineFeed =
        start < bytes.size() ? bytes.find('\n', static_cast<std::size_t>(start)) : std::string_view::npos;
    return static_cast<std::uint64_t>(lineFeed == std::string_view::npos ? bytes.size() : lineFeed) + 1;
}

HeaderLine HeaderText::bodyLine(std::uint64_t start, std::uint64_t next) const noexcept
{
    const std::string_view text = cleanedLineText(m_bytes->view(), start, next);
    return {text, classOfHeaderLine(text)};
}

} // namespace kvd
