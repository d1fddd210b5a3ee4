// Opens a data file in the viewer's main window, off screen, the way the Open command
// does, and prints how long it took until the window was filled and drawn, then how
// long scrolling the data grid to its last row and resizing one of its columns take.
//
// Usage: viewer_open_bench FILE
// Prints one line: open_ms=... scroll_ms=... resize_ms=... rows=...
#include "viewer/ApplicationFonts.h"
#include "viewer/Dialogs.h"
#include "viewer/TMainForm.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>

#include <cstdio>
#include <memory>

namespace {

// Messages go to standard error instead of waiting in a box.
class PrintingDialogs : public kvd::Dialogs {
public:
    void message(QWidget*, const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    void error(QWidget*, const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    QStringList openFileNames(QWidget*) override { return {}; }
};

double elapsedMs(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: viewer_open_bench FILE\n");
        return 2;
    }
    kvd::loadApplicationFonts();
    TMainForm form(nullptr, TMainForm::Guard::None);
    form.setDialogs(std::make_unique<PrintingDialogs>());
    form.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    form.OpenDataFile(QFile::decodeName(argv[1]));
    TMDIChild* window = form.activeDocumentWindow();
    if (!window)
        return 1;
    window->PageControl1->setCurrentIndex(1);
    form.repaint();
    const double openMs = elapsedMs(timer);

    kvd::TextGrid* grid = window->StringGrid1;
    timer.restart();
    grid->scrollToBottom();
    grid->repaint();
    grid->viewport()->repaint();
    const double scrollMs = elapsedMs(timer);

    timer.restart();
    grid->setColumnWidth(2, grid->columnWidth(2) + 40);
    grid->viewport()->repaint();
    const double resizeMs = elapsedMs(timer);

    std::printf("open_ms=%.1f scroll_ms=%.2f resize_ms=%.2f rows=%d\n", openMs, scrollMs, resizeMs,
                grid->model()->rowCount());
    return 0;
}
