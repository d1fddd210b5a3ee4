#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvd {

// Writes one JSON value into a string that the caller may empty between calls, so
// that a document of any size is written a piece at a time. The layout is that of
// Qt's JSON documents: indented by four spaces a level, or compact on one line.
// Object members are written in the order they are given.
class JsonWriter {
public:
    enum class Layout { Indented, Compact };

    JsonWriter(std::string& out, Layout layout) : m_out(out), m_compact(layout == Layout::Compact) {}

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    // The name of the next member of the object open (plain ASCII).
    void key(std::string_view name);

    // A text in UTF-8; bytes that are not UTF-8 become U+FFFD. Controls (C0, DEL
    // and C1) are written as escapes, so no byte of it can drive a terminal.
    void string(std::string_view utf8);
    // A double at full precision (the shortest text that reads back as it), null
    // when it is not finite.
    void number(double value);
    void integer(std::int64_t value);
    void null();

private:
    void open(char bracket);
    void close(char bracket);
    void beforeValue();
    void indent(std::size_t depth);

    std::string& m_out;
    bool m_compact;
    bool m_afterKey = false;
    std::vector<std::size_t> m_counts; // values written in each container open
};

} // namespace kvd
