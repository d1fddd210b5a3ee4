// kvd_find_bench FILE [REPEATS]: on a loaded data file (kvd_generate makes a 1M-row
// one), times finding the last row's object from the first cell, over every column
// and over the object column alone, building a measurement's histogram, and
// collecting the rows of the last row's source; the load itself is timed in the same
// run for scale. Prints the median of REPEATS runs (default 5) of each.

#include "document/Document.h"
#include "document/DocumentLoader.h"
#include "summary/CellSearch.h"
#include "summary/Collation.h"
#include "summary/Histogram.h"
#include "summary/RowMatches.h"
#include "summary/TableSearch.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

double medianMilliseconds(int repeats, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void load(kvd::Document& document, const char* path)
{
    document = kvd::Document();
    document.fileName = path;
    kvd::LoadOptions options;
    options.collationLocale = QLocale::system();
    kvd::loadDocument(document, options);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kvd_find_bench FILE [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    kvd::Document document;
    const double loadTime = medianMilliseconds(repeats, [&] { load(document, argv[1]); });
    const kvd::DataTable& table = document.table;
    const int last = table.objectCount();
    if (last < 1 || table.columnCount() < 3) {
        std::fprintf(stderr, "kvd_find_bench: %s has no measurement table\n", argv[1]);
        return 1;
    }
    const kvd::Collation& collation = kvd::Collation::forLocale(QLocale::system());
    const QString object = kvd::decodeText(table.cell(last, 0), document.encoding);
    const kvd::CellSearch search(object, collation, document.encoding);

    int foundRow = 0;
    const auto findLast = [&](int onlyColumn) {
        kvd::TableSearch tableSearch(table, search, onlyColumn, kvd::TableCell{-1, -1},
                                     kvd::TableSearch::Direction::Forward);
        while (tableSearch.step(4096) == kvd::TableSearch::Status::Running) {
        }
        // The generated files repeat a few objects: the first cell holding the text may
        // lie just before the last row.
        if (tableSearch.status() != kvd::TableSearch::Status::Found || tableSearch.found().row < last - 10) {
            std::fprintf(stderr, "kvd_find_bench: the last object was found at row %d\n", tableSearch.found().row);
            std::exit(1);
        }
        foundRow = tableSearch.found().row;
    };
    const double findAll = medianMilliseconds(repeats, [&] { findLast(-1); });
    const double findObject = medianMilliseconds(repeats, [&] { findLast(0); });
    std::int64_t binned = 0;
    const double histogram =
        medianMilliseconds(repeats, [&] { binned = kvd::buildHistogram(table, 2, '.').valueCount; });
    std::size_t sourceRows = 0;
    const double sourceMatch = medianMilliseconds(repeats, [&] {
        sourceRows = kvd::rowsMatchingRow(table, {1}, last, collation, document.encoding).size();
    });

    std::printf("%d object rows, %d columns, median of %d runs\n", last, table.columnCount(), repeats);
    std::printf("load (read, statistics, report)        %9.1f ms\n", loadTime);
    std::printf("(the last object, %s, first stands in row %d)\n", object.toUtf8().constData(), foundRow);
    std::printf("find last object, every column         %9.1f ms  (%.3f of the load)\n", findAll, findAll / loadTime);
    std::printf("find last object, object column only   %9.1f ms  (%.3f of the load)\n", findObject,
                findObject / loadTime);
    std::printf("histogram of column 3 (%lld values)    %9.1f ms  (%.3f of the load)\n",
                static_cast<long long>(binned), histogram, histogram / loadTime);
    std::printf("rows of the last row's source (%zu)    %9.1f ms  (%.3f of the load)\n", sourceRows, sourceMatch,
                sourceMatch / loadTime);
    return 0;
}
