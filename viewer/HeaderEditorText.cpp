#include "viewer/HeaderEditorText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace kvd {

QTextCharFormat headerRunFormat(const RunStyle& style)
{
    QTextCharFormat format;
    if (style.colour)
        format.setForeground(QColor(style.colour->red, style.colour->green, style.colour->blue));
    if (style.pointSize)
        format.setFontPointSize(*style.pointSize);
    // Runs that keep the editor's size keep its weight too, unless they are italic:
    // the first line is bold like the editor, "(No Header)" is italic and not bold.
    if (style.pointSize || style.italic)
        format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
    if (style.italic)
        format.setFontItalic(true);
    return format;
}

QString headerLineText(const HeaderLine& line, TextEncoding encoding)
{
    QString text;
    for (int index = 0; index < line.runCount(); ++index)
        text += decodeText(line.run(index).text, encoding);
    return text;
}

QList<QTextLayout::FormatRange> headerLineFormats(const HeaderLine& line, TextEncoding encoding)
{
    QList<QTextLayout::FormatRange> formats;
    int start = 0;
    for (int index = 0; index < line.runCount(); ++index) {
        const HeaderRun run = line.run(index);
        // A run decodes on its own as it does within the line: the key run ends at
        // "=", which no encoding we read carries inside a character.
        const auto length = static_cast<int>(decodeText(run.text, encoding).size());
        formats.append({start, length, headerRunFormat(*run.style)});
        start += length;
    }
    return formats;
}

void fillHeaderEditor(QTextDocument& editor, const HeaderText& header, TextEncoding encoding)
{
    editor.setUndoRedoEnabled(false);
    editor.clear();
    QTextCursor cursor(&editor);
    // One edit for the whole text, laid out once at its end: an editor that lays out
    // after every inserted line takes time that grows with the square of the lines.
    cursor.beginEditBlock();
    bool first = true;
    header.forEachLine([&](const HeaderLine& line) {
        const QTextCharFormat lineFormat = headerRunFormat(*line.run(0).style);
        if (first)
            cursor.setBlockCharFormat(lineFormat);
        else
            cursor.insertBlock(QTextBlockFormat(), lineFormat);
        first = false;
        for (int index = 0; index < line.runCount(); ++index) {
            const HeaderRun run = line.run(index);
            cursor.insertText(decodeText(run.text, encoding), headerRunFormat(*run.style));
        }
    });
    cursor.endEditBlock();
    editor.setUndoRedoEnabled(true);
}

QStringList headerEditorLines(const QTextDocument& editor)
{
    QStringList lines;
    for (QTextBlock block = editor.begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    if (lines.size() == 1 && lines.front().isEmpty())
        lines.clear();
    return lines;
}

} // namespace kvd
