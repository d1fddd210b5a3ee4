#include "datafile/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace kvd {
namespace {

using namespace std::string_literals;

TEST(TextEncoding, everyByteSurvivesAWindows1252RoundTrip)
{
    std::string bytes;
    for (int byte = 0; byte < 256; ++byte)
        bytes += static_cast<char>(byte);
    const QString text = decodeText(bytes, TextEncoding::Windows1252);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC)); // the euro sign
    EXPECT_EQ(text.at(0xE9), QChar(0xE9));
    bool lossless = false;
    EXPECT_EQ(encodeText(text, TextEncoding::Windows1252, &lossless), bytes);
    EXPECT_TRUE(lossless);
}

TEST(TextEncoding, charactersOutsideWindows1252BecomeQuestionMarks)
{
    bool lossless = true;
    EXPECT_EQ(encodeText(QString::fromUtf8("a\xE2\x88\x9A" "b"), TextEncoding::Windows1252, &lossless), "a?b");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(encodeText(QString::fromUtf8("\xE2\x88\x9A"), TextEncoding::Utf8, &lossless), "\xE2\x88\x9A");
    EXPECT_TRUE(lossless);
}

TEST(TextEncoding, onlyValidUtf8IsReadAsUtf8)
{
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        const char* what;
    };
    const Case cases[] = {
        {"", TextEncoding::Utf8, "empty"},
        {"plain ASCII text;1.5\r\n"s, TextEncoding::Utf8, "ASCII"},
        {"with a NUL \0 byte"s, TextEncoding::Utf8, "NUL"},
        {"Lef\xC3\xA8vre", TextEncoding::Utf8, "two-byte"},
        {"\xE2\x82\xAC 12", TextEncoding::Utf8, "three-byte"},
        {"\xF0\x9F\x8C\xBF", TextEncoding::Utf8, "four-byte"},
        {"\xF4\x8F\xBF\xBF", TextEncoding::Utf8, "largest code point"},
        {"Lef\xE8vre", TextEncoding::Windows1252, "Windows-1252 letter"},
        {"\xC0\x80", TextEncoding::Windows1252, "overlong NUL"},
        {"\xC1\xBF", TextEncoding::Windows1252, "overlong two-byte"},
        {"\xE0\x80\xAF", TextEncoding::Windows1252, "overlong three-byte"},
        {"\xF0\x80\x80\xAF", TextEncoding::Windows1252, "overlong four-byte"},
        {"\xED\xA0\x80", TextEncoding::Windows1252, "high surrogate"},
        {"\xED\xBF\xBF", TextEncoding::Windows1252, "low surrogate"},
        {"\xF4\x90\x80\x80", TextEncoding::Windows1252, "beyond U+10FFFF"},
        {"abc\xE2\x82", TextEncoding::Windows1252, "truncated at the end"},
        {"\xE2\x82" "abc", TextEncoding::Windows1252, "truncated inside"},
        {"\x80", TextEncoding::Windows1252, "lone continuation byte"},
        {"\xFF\xFE", TextEncoding::Windows1252, "bytes never in UTF-8"},
        {std::string(1000, 'a') + "\xE9", TextEncoding::Windows1252, "late invalid byte after a long ASCII run"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(detectEncoding(c.bytes), c.encoding) << c.what;
}

TEST(TextEncoding, utf8TextDecodesAndEncodesBack)
{
    const std::string bytes = "Op\xC3\xA9rateur=C. Lef\xC3\xA8vre \xE2\x82\xAC";
    const QString text = decodeText(bytes, TextEncoding::Utf8);
    EXPECT_EQ(text, QString::fromUtf8("Opérateur=C. Lefèvre €"));
    EXPECT_EQ(encodeText(text, TextEncoding::Utf8), bytes);
}

} // namespace
} // namespace kvd
