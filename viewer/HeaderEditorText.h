#pragma once

#include "datafile/HeaderText.h"
#include "datafile/TextEncoding.h"

#include <QStringList>
#include <QTextCharFormat>
#include <QTextLayout>

class QTextDocument;

namespace kvd {

// How a run in `style` is drawn over the editor's default font and colour.
QTextCharFormat headerRunFormat(const RunStyle& style);

// One header line as a line view draws it: its text, and the format of each run
// over that text.
QString headerLineText(const HeaderLine& line, TextEncoding encoding);
QList<QTextLayout::FormatRange> headerLineFormats(const HeaderLine& line, TextEncoding encoding);

// Replaces the text of `editor` with the header text: one block per header line,
// each run in its own style; a run style's unset parts keep the editor's default
// font and colour. Leaves the undo history empty.
void fillHeaderEditor(QTextDocument& editor, const HeaderText& header, TextEncoding encoding);

// The editor's lines as plain text, one per block, first to last, as the header save
// writes them. Every block counts, an empty last one included (it may be an empty
// header line of the file), except that an editor holding nothing has no line.
QStringList headerEditorLines(const QTextDocument& editor);

} // namespace kvd
