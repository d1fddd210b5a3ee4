// A small program that carries a TOneInstance, for tests that start it as real
// processes. It prints "first start" once it is past the component's creation and
// "handed over" after each hand-off it logged, then runs until its standard input
// ends.
//
//   --max N                 MaxNewInstances set after creation (default 0)
//   --transport-timeout MS  MsgTransportTimeout of a later start
//   --log PATH              each hand-off appends "<NewAppHandle>\t<NewCommandLineW>\n",
//                           each reported error "error\t<text>\n"
//   --hold-first-hand-off   the first hand-off's handler returns only when a line
//                           arrives on standard input, holding up later hand-offs
// Other words are only part of the command line.

#include "instance/OneInstance.h"

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

struct ProbeOptions {
    std::int8_t max = 0;
    std::uint32_t transportTimeout = kvd::TOneInstance::DefaultMsgTransportTimeout;
    QString log;
    bool holdFirstHandOff = false;
};

ProbeOptions parseOptions(const QStringList& words)
{
    ProbeOptions options;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& word = words[i];
        const QString next = i + 1 < words.size() ? words[i + 1] : QString();
        if (word == QLatin1String("--max"))
            options.max = static_cast<std::int8_t>(next.toInt()), ++i;
        else if (word == QLatin1String("--transport-timeout"))
            options.transportTimeout = next.toUInt(), ++i;
        else if (word == QLatin1String("--log"))
            options.log = next, ++i;
        else if (word == QLatin1String("--hold-first-hand-off"))
            options.holdFirstHandOff = true;
    }
    return options;
}

void appendToLog(const QString& path, const QString& line)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::Append))
        return;
    file.write((line + QLatin1Char('\n')).toUtf8());
}

void waitForLineOnStdin()
{
    char c = 0;
    while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const ProbeOptions options = parseOptions(app.arguments());

    QWidget owner;
    auto* guard = new kvd::TOneInstance(&owner, options.transportTimeout);
    guard->setMaxNewInstances(options.max);
    bool holding = options.holdFirstHandOff;
    guard->setOnNewInstanceLoad([&](std::uint32_t handle, const char16_t* commandLine) {
        appendToLog(options.log, QString::number(handle) + QLatin1Char('\t') + QString::fromUtf16(commandLine));
        std::printf("handed over\n");
        std::fflush(stdout);
        if (std::exchange(holding, false))
            waitForLineOnStdin();
    });
    guard->setErrorHandler([&](const std::exception& error) {
        appendToLog(options.log, QStringLiteral("error\t") + QString::fromUtf8(error.what()));
    });
    std::printf("first start\n");
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        if (read(STDIN_FILENO, buffer, sizeof(buffer)) <= 0)
            app.quit();
    });
    return app.exec();
}
