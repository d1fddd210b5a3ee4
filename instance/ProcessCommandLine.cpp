#include "instance/ProcessCommandLine.h"

#include <QCoreApplication>

#include <fstream>
#include <iterator>
#include <string>

namespace kvd {

namespace {

bool needsQuotes(const QString& word)
{
    if (word.isEmpty())
        return true;
    for (const QChar c : word) {
        if (c.unicode() >= 1 && c.unicode() <= 32)
            return true;
    }
    return false;
}

} // namespace

QStringList processArguments()
{
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty())
        return QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList();
    QStringList words;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos)
            end = bytes.size();
        words.append(QString::fromLocal8Bit(bytes.data() + start, static_cast<qsizetype>(end - start)));
        start = end + 1;
    }
    return words;
}

QString joinCommandLine(const QStringList& words)
{
    QStringList parts;
    parts.reserve(words.size());
    for (const QString& word : words)
        parts.append(needsQuotes(word) ? QLatin1Char('"') + word + QLatin1Char('"') : word);
    return parts.join(QLatin1Char(' '));
}

} // namespace kvd
