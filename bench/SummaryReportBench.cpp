// Speed of the summary report's duplicate check and distinct-value tallies on a table
// of 1,000,000 object rows, with seven sources and with a source per object.
//
//   kvd_summary_bench [--benchmark_filter=...]

#include "datafile/DataTable.h"
#include "summary/DistinctValues.h"
#include "summary/DuplicateRows.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int ObjectCount = 1'000'000;

// Rows "object;source;1.5" with object numbers in order, one in 100,000 repeated.
kvd::DataTable makeTable(bool sourcePerObject)
{
    static const char* const Sources[] = {"img_0001", "img_0002", "Img_0003", "img_0004", "cruise7_a", "cruise7_b",
                                          "lab"};
    std::string bytes = "Object;Source;Area\n";
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    for (int row = 1; row <= ObjectCount; ++row) {
        const std::size_t start = bytes.size();
        bytes += std::to_string(row % 100000 == 0 ? row - 1 : row);
        bytes += ';';
        bytes += sourcePerObject ? "src_" + std::to_string(row) : std::string(Sources[row * 7 / (ObjectCount + 1)]);
        bytes += ";1.5";
        lines.emplace_back(start, bytes.size() - start);
        bytes += '\n';
    }
    kvd::DataTable table;
    table.setBytes(std::move(bytes));
    table.setSeparator(';');
    table.setColumnCount(3);
    table.setColumnNameLine(0, 18);
    table.reserveRows(lines.size() + 1);
    for (const auto& [start, length] : lines)
        table.appendRow(start, static_cast<std::uint32_t>(length));
    return table;
}

const kvd::DataTable& table(bool sourcePerObject)
{
    static const kvd::DataTable few = makeTable(false);
    static const kvd::DataTable perObject = makeTable(true);
    return sourcePerObject ? perObject : few;
}

void FindDuplicateRows(benchmark::State& state)
{
    const kvd::DataTable& rows = table(state.range(0) != 0);
    const kvd::Collation& collation = kvd::Collation::forLocale(QLocale::c());
    const kvd::TextOfRow keyOfRow = [&rows](int row) { return kvd::TwoPieceText{rows.cell(row, 0), rows.cell(row, 1)}; };
    for (auto _ : state) {
        int duplicates = 0;
        kvd::findDuplicateRows(collation, kvd::TextEncoding::Utf8, keyOfRow, 1, ObjectCount + 1,
                               [&duplicates](int) { ++duplicates; });
        benchmark::DoNotOptimize(duplicates);
    }
}
BENCHMARK(FindDuplicateRows)->ArgName("sourcePerObject")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void TallySources(benchmark::State& state)
{
    const kvd::DataTable& rows = table(state.range(0) != 0);
    const kvd::Collation& collation = kvd::Collation::forLocale(QLocale::c());
    const kvd::TextOfRow sourceOfRow = [&rows](int row) { return kvd::TwoPieceText{rows.cell(row, 1), {}}; };
    for (auto _ : state) {
        const kvd::DistinctValues sources(collation, kvd::TextEncoding::Utf8, sourceOfRow, 1, ObjectCount + 1);
        benchmark::DoNotOptimize(sources.size());
    }
}
BENCHMARK(TallySources)->ArgName("sourcePerObject")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
