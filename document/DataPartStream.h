#pragma once

#include <string>
#include <string_view>

namespace kvd {

// The line rules of a header save, for a data file fed block by block: finds its
// first line equal to "[Data]" (by the reader's rules: LF or CR LF end a line, any
// other CR is dropped), and turns every byte after that line into the data part of
// the saved file, each line ended by CR LF. Only the first bytes of each header line
// are kept, so lines of any length pass through.
class DataPartStream {
public:
    enum class State {
        Searching, // no "[Data]" line yet
        InData,    // past the "[Data]" line: what follows is data
        Ambiguous  // line lineNumber() begins with "[Data]" but holds more: the reader
                   // ends the header there, so the lines up to an exact "[Data]" line
                   // further on would be neither header nor data
    };

    // Takes the next block of the file and appends to out what it adds to the data
    // part. Once Ambiguous, takes nothing more.
    State feed(std::string_view block, std::string& out);
    // The end of the file: the last line may have no line end. An unended last data
    // line gets its CR LF, and an empty data part becomes one empty line, as a
    // line-by-line copy that writes at least one line would do.
    State finish(std::string& out);

    State state() const noexcept { return m_state; }
    long long lineNumber() const noexcept { return m_lineNumber; }

private:
    void endHeaderLine();
    void convert(std::string_view bytes, std::string& out);

    State m_state = State::Searching;
    std::string m_lineStart; // the header line's first bytes, CRs dropped; at most 7
    long long m_lineNumber = 0;
    bool m_dataLineOpen = true; // nothing written yet counts as an empty line to end
};

} // namespace kvd
