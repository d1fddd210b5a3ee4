#include "datafile/HeaderText.h"

namespace kvd {

std::string HeaderLine::text() const
{
    std::string joined;
    for (const HeaderRun& run : runs)
        joined += run.text;
    return joined;
}

void HeaderText::appendLine(std::string text, const RunStyle& style)
{
    lines.push_back(HeaderLine{{HeaderRun{std::move(text), style}}});
}

void HeaderText::appendStyledLine(std::string text)
{
    // The section test looks at the first and last character only, and comes first:
    // "[a=b]" is a section line, never a key=value line.
    if (!text.empty() && text.front() == '[' && text.back() == ']') {
        appendLine(std::move(text), header_styles::section);
        return;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        appendLine(std::move(text), header_styles::plain);
        return;
    }
    std::string value = text.substr(equals + 1);
    text.resize(equals + 1);
    lines.push_back(HeaderLine{{HeaderRun{std::move(text), header_styles::key},
                                HeaderRun{std::move(value), header_styles::value}}});
}

} // namespace kvd
