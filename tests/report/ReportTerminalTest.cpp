// kvdreport writes the bytes of a file's texts as they are into a pipe, and with their
// control characters escaped onto a terminal and into --check lines, so that a file
// cannot drive the terminal that shows its report.

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QTemporaryDir>

#include <fstream>
#include <string>

namespace {

using kvdtest::ChildRun;
using kvdtest::Output;

// Names, sources and a measurement that colour, retitle and clear a terminal.
const std::string HostileFile = "KVD\r\n[Data]\r\nId;Src;Ar\x07"
                                "e\x1b[2Ja\r\n"
                                "x\x1b[31m;s\x08\x08;1\r\n"
                                "x\x1b[31m;s\x08\x08;2\r\n"
                                "y;\xc2\x9b"
                                "2J;3\r\n";

class KvdReportTerminal : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("hostile.kvd")).toStdString();
        std::ofstream(m_path, std::ios::binary) << HostileFile;
    }

    ChildRun report(const std::vector<std::string>& options, Output output) const
    {
        std::vector<std::string> arguments{KVDREPORT_PATH};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(m_path);
        return kvdtest::runChild(arguments, output);
    }

    QTemporaryDir m_dir;
    std::string m_path;
};

// What a terminal should show of piped text: every byte below 0x20 but TAB and line
// ends, DEL and the two bytes of a C1 control in backslash escapes.
std::string escapedReference(const std::string& text)
{
    std::string shown;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const bool c1 = byte == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) < 0xA0;
        if ((byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7F || c1) {
            for (std::size_t i = 0; i < (c1 ? 2u : 1u); ++i) {
                const auto b = static_cast<unsigned char>(text[at + i]);
                const char* letters = "abtnvfr";
                if (b >= 7 && b <= 13)
                    shown += std::string("\\") + letters[b - 7];
                else
                    shown += "\\" + std::to_string(b >> 6) + std::to_string((b >> 3) & 7) + std::to_string(b & 7);
            }
            at += c1 ? 1 : 0;
        } else {
            shown += text[at];
        }
    }
    return shown;
}

bool holdsControls(const std::string& text, bool allowTabAndLineEnd)
{
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (allowTabAndLineEnd && (byte == '\t' || byte == '\n'))
            continue;
        if (byte < 0x20 || byte == 0x7F
            || (byte == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) < 0xA0))
            return true;
    }
    return false;
}

TEST_F(KvdReportTerminal, pipedTextKeepsTheBytesAndATerminalGetsThemEscaped)
{
    for (const std::vector<std::string>& options : {std::vector<std::string>{}, {"--format=tsv"}}) {
        const ChildRun piped = report(options, Output::Pipe);
        ASSERT_EQ(piped.exitCode, 0) << piped.err;
        EXPECT_NE(piped.out.find("Ar\x07" "e\x1b[2Ja"), std::string::npos) << piped.out;
        const ChildRun shown = report(options, Output::Terminal);
        ASSERT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_FALSE(holdsControls(shown.out, true)) << shown.out;
        EXPECT_EQ(shown.out, escapedReference(piped.out));
    }
    const ChildRun text = report({}, Output::Terminal);
    EXPECT_NE(text.out.find("Object x\\033[31m of s\\b\\b in duplicate"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Ar\\ae\\033[2Ja\t"), std::string::npos) << text.out;
}

// Warnings quote measurement names: on a terminal they are escaped too.
TEST_F(KvdReportTerminal, messagesOnATerminalAreEscaped)
{
    std::ofstream(m_path, std::ios::binary) << "KVD\r\n[Data]\r\nId;Src;\x1b[2JA\r\na;s;1\r\nb;s;x\r\n";
    const ChildRun piped = report({"--format=tsv"}, Output::Pipe);
    EXPECT_EQ(piped.err, "WARNING: \"\x1b[2JA\" contains invalid value(s)\n");
    const ChildRun shown = report({"--format=tsv"}, Output::TerminalWithErrors);
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_NE(shown.out.find("WARNING: \"\\033[2JA\" contains invalid value(s)\n"), std::string::npos) << shown.out;
    EXPECT_FALSE(holdsControls(shown.out, true)) << shown.out;
}

TEST_F(KvdReportTerminal, checkLinesAreEscapedWhereverTheyGo)
{
    for (const Output output : {Output::Pipe, Output::Terminal}) {
        const ChildRun check = report({"--check"}, output);
        EXPECT_EQ(check.exitCode, 3) << check.err;
        EXPECT_EQ(check.out, m_path + ":5: object \"x\\033[31m\" of source \"s\\b\\b\" is a duplicate of an earlier line\n");
    }
}

TEST_F(KvdReportTerminal, jsonHoldsNoControlByteAndReadsBackTheTexts)
{
    for (const Output output : {Output::Pipe, Output::Terminal}) {
        const ChildRun json = report({"--format=json"}, output);
        ASSERT_EQ(json.exitCode, 0) << json.err;
        EXPECT_FALSE(holdsControls(json.out, true)) << json.out;
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json.out));
        const QString source = document[QLatin1String("sources")][1][QLatin1String("value")].toString();
        EXPECT_EQ(source.toStdString(), "\xc2\x9b" "2J");
        EXPECT_EQ(document[QLatin1String("duplicates")][0][QLatin1String("object")].toString().toStdString(),
                  "x\x1b[31m");
    }
}

} // namespace
