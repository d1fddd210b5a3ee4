#pragma once

#include <QString>
#include <QStringList>

namespace kvd {

// The words this process was started with, program path first, exactly as the
// starting process passed them (toolkit options included), decoded from the system's
// 8-bit encoding (UTF-8).
QStringList processArguments();

// The words as one command line: joined by single spaces, each word that is empty or
// holds a blank (a character with a code from 1 to 32) in double quotes.
QString joinCommandLine(const QStringList& words);

} // namespace kvd
