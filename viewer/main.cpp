#include "viewer/ApplicationFonts.h"
#include "viewer/TApplication.h"
#include "viewer/TMainForm.h"
#include "viewer/TerminationSignal.h"

#include <QByteArrayList>

int main(int argc, char** argv)
{
    kvd::TApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("KVD Viewer"));
    QGuiApplication::setDesktopFileName(QStringLiteral("kvdviewer"));
    kvd::loadApplicationFonts();

    // Each word the shell passed is one file name (the toolkit has taken its own
    // options out of argv), kept as bytes: a name that is not valid in the locale's
    // encoding would not survive decoding.
    QByteArrayList parameters;
    for (int i = 1; i < argc; ++i)
        parameters.append(QByteArray(argv[i]));

    TMainForm MainForm;
    application.setErrorHandler([&MainForm](const QString& text) { MainForm.reportError(text); });
    MainForm.setCommandLineParameters(parameters);
    kvd::TerminationSignal termination;
    QObject::connect(&termination, &kvd::TerminationSignal::requested, &MainForm, &QWidget::close);
    MainForm.show();
    const int exitCode = application.exec();
    application.setErrorHandler({}); // the main window goes before the application
    return exitCode;
}
