// kvd_statistics_bench FILE [REPEATS]: times the measurement statistics alone on a
// loaded data file (kvd_generate makes a 1M-row one), as the load computes them: wall
// and CPU time of the calling thread and its helpers. Prints each of REPEATS runs
// (default 5; the first reads lines just loaded, as the load does) and the fastest.

#include "datafile/DataFileReader.h"
#include "datafile/DataTable.h"
#include "datafile/HeaderText.h"
#include "datafile/TextEncoding.h"
#include "summary/MeasurementStatistics.h"
#include "summary/StatisticsTable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double seconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "Usage: kvd_statistics_bench FILE [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    kvd::HeaderText header;
    kvd::DataTable table;
    kvd::TextEncoding encoding{};
    const kvd::ReadResult read = kvd::readDataFile(argv[1], {header, table, encoding}, kvd::ReaderOptions());
    if (read.status != kvd::ReadStatus::Read) {
        std::fprintf(stderr, "kvd_statistics_bench: cannot load %s\n", argv[1]);
        return 1;
    }
    double bestWall = 1e9;
    double bestCpu = 1e9;
    for (int run = 0; run < repeats; ++run) {
        kvd::StatisticsTable statistics;
        const double wall = seconds(CLOCK_MONOTONIC);
        const double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID);
        kvd::fillStatistics(table, read.kind, '.', statistics, nullptr);
        const double wallTaken = seconds(CLOCK_MONOTONIC) - wall;
        const double cpuTaken = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu;
        std::printf("run %d: wall %.3f s, CPU %.3f s\n", run + 1, wallTaken, cpuTaken);
        bestWall = std::min(bestWall, wallTaken);
        bestCpu = std::min(bestCpu, cpuTaken);
    }
    std::printf("fastest of %d: wall %.3f s, CPU %.3f s\n", repeats, bestWall, bestCpu);
    return 0;
}
