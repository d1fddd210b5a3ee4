// The memory a copy of many selected rows costs in the viewer: writes a data file of
// ROWS object rows (every object twice, so all are duplicates), opens it in the main
// window off screen, selects every row the way a jump from a report line does, and
// copies them with Ctrl+C's code.
//
// Usage: kvd_copy_memory ROWS [FOLDER]
// Prints one line: rows=... chars=... rss_before_mb=... copy_peak_mb=... maxrss_mb=...
// extra_bytes_per_char=... copy_s=...
// rss_before is the resident size with the document loaded and the rows selected; the
// peak resident size is reset (/proc/self/clear_refs) just before the copy, so
// copy_peak is the copy's own peak; maxrss is getrusage's peak over the whole run
// (the load included).
#include "viewer/ApplicationFonts.h"
#include "viewer/Dialogs.h"
#include "viewer/DocumentExplorer.h"
#include "viewer/FindBar.h"
#include "viewer/TMainForm.h"
#include "viewer/TMDIChild.h"
#include "viewer/TextGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QTabWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

class PrintingDialogs : public kvd::Dialogs {
public:
    void message(QWidget*, const QString&) override {}
    void error(QWidget*, const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    QStringList openFileNames(QWidget*) override { return {}; }
};

double residentMb()
{
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// VmHWM, the peak resident size since the last reset.
double peakResidentMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double maxRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

QString writeFile(const QString& folder, int rows)
{
    const QString path = QDir(folder).filePath(QStringLiteral("kvd_copy_memory_%1.kvd").arg(rows));
    std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary);
    out << "KVD\r\n[Data]\r\nObject;Source;Area;Length\r\n";
    for (int row = 0; row < rows; ++row)
        out << "obj" << row / 2 << ";scan_H;" << (row % 1000) << ".25;" << (row % 77) << "\r\n";
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc < 2 || argc > 3 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: kvd_copy_memory ROWS [FOLDER]\n");
        return 2;
    }
    const int rows = std::atoi(argv[1]);
    const QString path = writeFile(argc == 3 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath(), rows);
    kvd::loadApplicationFonts();
    TMainForm form(nullptr, TMainForm::Guard::None);
    form.setDialogs(std::make_unique<PrintingDialogs>());
    form.show();
    form.OpenDataFile(path);
    QFile::remove(path);
    TMDIChild* window = form.activeDocumentWindow();
    if (!window)
        return 1;
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    {
        std::vector<int> all(static_cast<std::size_t>(rows));
        for (int row = 0; row < rows; ++row)
            all[static_cast<std::size_t>(row)] = row + 1; // below the names row
        window->explorer()->findBar()->showRows(all, -1, QStringLiteral("Source scan_H"));
    }
    QApplication::processEvents();

    const double before = residentMb();
    resetPeakResident();
    QElapsedTimer timer;
    timer.start();
    if (!window->StringGrid1->copySelection())
        return 1;
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double peak = peakResidentMb();
    const auto chars = QApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")).size();
    std::printf("rows=%d chars=%lld rss_before_mb=%.1f copy_peak_mb=%.1f maxrss_mb=%.1f extra_bytes_per_char=%.2f "
                "copy_s=%.2f\n",
                rows, static_cast<long long>(chars), before, peak, maxRssMb(),
                (peak - before) * 1048576.0 / static_cast<double>(chars), seconds);
    return 0;
}
