// Speed of reading every cell of wide rows: through the table, which splits a long line
// once and keeps its field starts, against finding each field from the line's start.
//
//   kvd_datatable_bench [--benchmark_filter=...]

#include "TableBuilder.h"
#include "datafile/DataTable.h"
#include "datafile/SplitFields.h"

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int RowCount = 200;

// Rows of an object, a source and `columns - 2` measurements "1234.5678".
kvd::DataTable wideTable(int columns)
{
    std::vector<std::string> lines;
    for (int row = 0; row <= RowCount; ++row) {
        std::string line = "object_" + std::to_string(row) + ";source";
        for (int column = 2; column < columns; ++column)
            line += ";1234.5678";
        lines.push_back(std::move(line));
    }
    return kvd::test::makeTable(lines);
}

// Row by row, every cell in column order, as the grid and the copy read them.
template <class CellOf>
void readEveryCell(benchmark::State& state, CellOf cellOf)
{
    const int columns = static_cast<int>(state.range(0));
    const kvd::DataTable table = wideTable(columns);
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (int row = 0; row < table.rowCount(); ++row) {
            for (int column = 0; column < columns; ++column)
                bytes += cellOf(table, row, column).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}

void CellsThroughTheTable(benchmark::State& state)
{
    readEveryCell(state, [](const kvd::DataTable& table, int row, int column) { return table.cell(row, column); });
}
BENCHMARK(CellsThroughTheTable)->ArgName("columns")->Arg(20)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

// The same cells, each found by a scan of its line from the start.
void CellsFromTheLineStart(benchmark::State& state)
{
    readEveryCell(state, [](const kvd::DataTable& table, int row, int column) {
        return kvd::fieldAt(table.line(row), ';', static_cast<std::size_t>(column));
    });
}
BENCHMARK(CellsFromTheLineStart)->ArgName("columns")->Arg(20)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
