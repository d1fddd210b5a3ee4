// kvd_explore_bench FILE [REPEATS]: on a loaded data file (kvd_generate makes a
// 1M-row one; its SOURCES argument 1000 gives a thousand sources), times side by side
// in one run, on the calling thread alone: the plain load (reading, statistics and
// summary report), the statistics by source, a sort of the rows by a measurement
// column and by the source column, and a filter on a measurement condition. Prints
// each run (default 3) and the fastest, with the by-source time as a share of the load.

#include "datafile/NumberText.h"
#include "document/Document.h"
#include "document/DocumentLoader.h"
#include "summary/Collation.h"
#include "summary/RowFilter.h"
#include "summary/RowOrder.h"
#include "summary/StatisticsByValue.h"

#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <numeric>
#include <vector>

namespace {

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double timed(const std::function<void()>& work)
{
    const double start = cpuSeconds();
    work();
    return cpuSeconds() - start;
}

struct Timings {
    double load = 1e9;
    double bySource = 1e9;
    double sortNumbers = 1e9;
    double sortSources = 1e9;
    double filter = 1e9;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "Usage: kvd_explore_bench FILE [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const QLocale locale = QLocale::c();
    kvd::LoadOptions options;
    options.collationLocale = locale;
    Timings best;
    for (int run = 0; run < repeats; ++run) {
        kvd::Document document;
        document.fileName = argv[1];
        Timings times;
        times.load = timed([&] { kvd::loadDocument(document, options); });
        const kvd::Summary& summary = document.summary;
        std::size_t values = 0;
        times.bySource = timed([&] {
            values = kvd::statisticsByValue(document.table, summary.report, summary.figures, kvd::ValueColumn::Source,
                                            document.encoding, locale, '.')
                         .values.size();
        });
        std::vector<std::int32_t> rows(static_cast<std::size_t>(document.table.objectCount()));
        const kvd::SortRules rules{kvd::Collation::forLocale(locale), document.encoding, '.'};
        times.sortNumbers = timed([&] {
            std::iota(rows.begin(), rows.end(), 1);
            kvd::sortRows(document.table, 2, kvd::CellOrder::Numbers, kvd::SortDirection::Ascending, rules, rows);
        });
        times.sortSources = timed([&] {
            std::iota(rows.begin(), rows.end(), 1);
            kvd::sortRows(document.table, 1, kvd::CellOrder::Texts, kvd::SortDirection::Descending, rules, rows);
        });
        std::size_t shown = 0;
        times.filter = timed([&] {
            kvd::RowFilter filter;
            kvd::NumberCondition condition;
            condition.column = 2;
            condition.comparison = kvd::NumberCondition::Comparison::Greater;
            condition.value = 50000;
            filter.addCondition(condition, "column 2 > 50000");
            shown = filter.shownRows(document.table, '.').size();
        });
        std::printf("run %d (%d rows, %zu sources): load %.3f s, by source %.3f s (%.2f of the load), "
                    "sort by column 2 %.3f s, by source %.3f s, filter column 2 > 50000 %.3f s (%zu rows)\n",
                    run + 1, document.table.objectCount(), values, times.load, times.bySource,
                    times.bySource / times.load, times.sortNumbers, times.sortSources, times.filter, shown);
        best.load = std::min(best.load, times.load);
        best.bySource = std::min(best.bySource, times.bySource);
        best.sortNumbers = std::min(best.sortNumbers, times.sortNumbers);
        best.sortSources = std::min(best.sortSources, times.sortSources);
        best.filter = std::min(best.filter, times.filter);
    }
    std::printf("fastest of %d (CPU): load %.3f s, by source %.3f s, load with by source %.2f x the load, "
                "sort by column 2 %.3f s, by source %.3f s, filter %.3f s\n",
                repeats, best.load, best.bySource, (best.load + best.bySource) / best.load, best.sortNumbers,
                best.sortSources, best.filter);
    return 0;
}
