#include "report/JsonWriter.h"
#include "report/TerminalText.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace kvd {
namespace {

using namespace std::string_literals;

TEST(EscapedControls, escapesWhatATerminalWouldObeyAndKeepsTheRest)
{
    const struct {
        std::string text;
        std::string escaped;
    } cases[] = {
        {"x\x1b[31m", "x\\033[31m"},
        {"a\rb\nc\td", "a\\rb\\nc\\td"},
        {"\x07\x08\x0b\x0c", "\\a\\b\\v\\f"},
        {"a\0b"s, "a\\000b"},
        {"\x01\x1f\x7f", "\\001\\037\\177"},
        {"\xc2\x9b" "2J", "\\302\\2332J"},                           // C1 CSI
        {"\xc2\x80\xc2\x9f\xc2\xa0", "\\302\\200\\302\\237\xc2\xa0"}, // C1 edges; no-break space kept
        {"\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
        {"\xff", "\\377"},
        {"ab\xc3", "ab\\303"},                          // cut short at the end
        {"\xc3" "a", "\\303a"},                         // cut short by an ASCII byte
        {"\xc0\xaf", "\\300\\257"},                     // overlong
        {"\xe0\x80\xaf", "\\340\\200\\257"},            // overlong
        {"\xed\xa0\x80", "\\355\\240\\200"},            // a surrogate
        {"\xf4\x90\x80\x80", "\\364\\220\\200\\200"},   // past U+10FFFF
        {"\xf0\x9f\x98", "\\360\\237\\230"},            // four-byte lead cut short
        {"C:\\dir\\n", "C:\\dir\\n"},                   // backslashes stay as they are
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(escapedControls(c.text), c.escaped) << testing::PrintToString(c.text);
    // Lines keep their ends, and only those.
    EXPECT_EQ(escapedLines("a\x1b\nb\r\n\n\tc"), "a\\033\nb\\r\n\n\\tc");
}

// Reads the escapes back (the texts below hold no backslash of their own).
std::string unescaped(const std::string& text)
{
    std::string bytes;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\') {
            bytes += text[at];
            continue;
        }
        const char next = text[++at];
        const std::string letters = "abtnvfr";
        if (letters.find(next) != std::string::npos) {
            bytes += static_cast<char>(7 + letters.find(next));
        } else {
            bytes += static_cast<char>((next - '0') * 64 + (text[at + 1] - '0') * 8 + (text[at + 2] - '0'));
            at += 2;
        }
    }
    return bytes;
}

// Whether text is UTF-8 without C0 controls, DEL or C1 controls, by the decoder of Qt.
bool isSafeUtf8(const std::string& text)
{
    const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (decoded.toUtf8() != QByteArray::fromStdString(text))
        return false;
    for (const QChar c : decoded) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            return false;
    }
    return true;
}

TEST(EscapedControls, randomBytesComeOutSafeAndReadBackWhole)
{
    std::mt19937 random(20261209);
    // Mostly bytes that start, continue or break UTF-8 sequences.
    const std::string alphabet = "aZ \x01\x1b\x7f\x80\x9b\xa0\xbf\xc2\xc3\xdf\xe0\xe2\xed\xef\xf0\xf4\xf5\xff\n\t"s;
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 12, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        const std::string escaped = escapedControls(text);
        ASSERT_TRUE(isSafeUtf8(escaped)) << testing::PrintToString(text);
        ASSERT_EQ(unescaped(escaped), text) << testing::PrintToString(text);
    }
}

// The writer against Qt's own JSON documents, which it must match byte for byte.
QJsonObject sampleObject()
{
    QJsonObject inner;
    inner[QLatin1String("empty array")] = QJsonArray();
    inner[QLatin1String("empty object")] = QJsonObject();
    inner[QLatin1String("text")] = QString::fromUtf8("\x01\x1f \"\\/\b\f\n\r\t \xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    QJsonObject object;
    object[QLatin1String("a")] = QJsonArray{1, 2.5, -0.0, 0.1, 1e300, 5e-324, 123456789.125, -7, QJsonValue()};
    object[QLatin1String("b")] = inner;
    object[QLatin1String("c")] = QJsonArray{QJsonArray{QJsonObject{{QLatin1String("x"), 3}}}, QString()};
    object[QLatin1String("d")] = static_cast<qint64>(9007199254740993LL);
    return object;
}

void writeSample(JsonWriter& json)
{
    json.beginObject();
    json.key("a");
    json.beginArray();
    for (const double value : {1.0, 2.5, -0.0, 0.1, 1e300, 5e-324, 123456789.125, -7.0})
        json.number(value);
    json.number(std::numeric_limits<double>::quiet_NaN());
    json.endArray();
    json.key("b");
    json.beginObject();
    json.key("empty array");
    json.beginArray();
    json.endArray();
    json.key("empty object");
    json.beginObject();
    json.endObject();
    json.key("text");
    json.string("\x01\x1f \"\\/\b\f\n\r\t \xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    json.endObject();
    json.key("c");
    json.beginArray();
    json.beginArray();
    json.beginObject();
    json.key("x");
    json.integer(3);
    json.endObject();
    json.endArray();
    json.string("");
    json.endArray();
    json.key("d");
    json.integer(9007199254740993LL);
    json.endObject();
}

TEST(JsonWriter, writesWhatQtWritesInBothLayouts)
{
    for (const auto layout : {JsonWriter::Layout::Indented, JsonWriter::Layout::Compact}) {
        std::string out;
        JsonWriter json(out, layout);
        writeSample(json);
        const bool indented = layout == JsonWriter::Layout::Indented;
        QByteArray expected = QJsonDocument(sampleObject()).toJson(indented ? QJsonDocument::Indented
                                                                            : QJsonDocument::Compact);
        if (indented)
            expected.chop(1); // the document's last line end
        EXPECT_EQ(out, expected.toStdString());
    }
}

TEST(JsonWriter, escapesEveryControlAndReplacesWhatIsNotUtf8)
{
    std::string out;
    JsonWriter json(out, JsonWriter::Layout::Compact);
    json.beginArray();
    json.string("\x7f\xc2\x80\xc2\x9b\xc2\xa0");
    json.string("a\xff" "b\xc3");
    json.endArray();
    EXPECT_EQ(out, "[\"\\u007f\\u0080\\u009b\xc2\xa0\",\"a\xef\xbf\xbd" "b\xef\xbf\xbd\"]");
    const QJsonArray read = QJsonDocument::fromJson(QByteArray::fromStdString(out)).array();
    EXPECT_EQ(read.at(0).toString(), QString::fromUtf8("\x7f\xc2\x80\xc2\x9b\xc2\xa0"));
}

} // namespace
} // namespace kvd
