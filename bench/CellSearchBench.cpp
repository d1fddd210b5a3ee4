// Speed of the find bar's cell search on 1,000,000 cells and lines like those of a
// survey file: the folded Horspool search of ASCII texts against a plain folded scan
// of every window (on cells, and on whole lines), and against the collator's search
// that texts beyond ASCII take; and the quick line test (the 8-byte printable check
// and Horspool on the whole line) that lets a search pass over lines unsplit, against
// splitting each line and searching its fields.
//
//   kvd_cellsearch_bench [--benchmark_filter=...]

#include "summary/AsciiText.h"
#include "summary/CellSearch.h"
#include "summary/Collation.h"

#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int CellCount = 1'000'000;

// Object names "leaf_0000001".., and lines of a source and 20 measurements for them
// (about 140 bytes, as in the surveys).
const std::vector<std::string>& cells()
{
    static const std::vector<std::string> made = [] {
        std::vector<std::string> texts;
        texts.reserve(CellCount);
        for (int i = 1; i <= CellCount; ++i) {
            std::string number = std::to_string(i);
            texts.push_back("leaf_" + std::string(7 - number.size(), '0') + number);
        }
        return texts;
    }();
    return made;
}

const std::vector<std::string>& lines()
{
    static const std::vector<std::string> made = [] {
        std::vector<std::string> texts;
        texts.reserve(CellCount);
        for (const std::string& cell : cells())
            texts.push_back(cell + ";scan_B;12.5;3.25;0.871;140.2;7;0.0031;55.25;1.5;2.75;18.0;"
                                   "0.5;1024;3.3;9.81;0.12;41.5;6.0;0.77;300.5;2.2");
        return texts;
    }();
    return made;
}

// A text found in no cell but sharing their beginning: the worst case of an ASCII search.
const QString Absent = QStringLiteral("LEAF_1000001");

bool plainFoldedContains(std::string_view cell, const std::string& folded)
{
    for (std::size_t i = 0; i + folded.size() <= cell.size(); ++i) {
        std::size_t k = 0;
        while (k < folded.size() && kvd::foldAscii(static_cast<unsigned char>(cell[i + k]))
                                        == static_cast<unsigned char>(folded[k]))
            ++k;
        if (k == folded.size())
            return true;
    }
    return false;
}

// Runs `test` on every text, counting the texts it holds true of.
template <typename Test>
void countTrue(benchmark::State& state, const std::vector<std::string>& texts, const Test& test)
{
    for (auto _ : state) {
        int count = 0;
        for (const std::string& text : texts)
            count += test(text) ? 1 : 0;
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}

const kvd::CellSearch& asciiSearch()
{
    static const kvd::CellSearch search(Absent, kvd::Collation::forLocale(QLocale::c()), kvd::TextEncoding::Utf8);
    return search;
}

void AsciiCellSearch(benchmark::State& state)
{
    countTrue(state, cells(), [](std::string_view cell) { return asciiSearch().matches(cell); });
}
BENCHMARK(AsciiCellSearch)->Unit(benchmark::kMillisecond);

void PlainFoldedScan(benchmark::State& state)
{
    const std::string folded = Absent.toLower().toStdString();
    countTrue(state, cells(), [&](std::string_view cell) { return plainFoldedContains(cell, folded); });
}
BENCHMARK(PlainFoldedScan)->Unit(benchmark::kMillisecond);

// A text with "é" is searched with the collator in every cell.
void CollatorCellSearch(benchmark::State& state)
{
    const kvd::CellSearch search(QStringLiteral("l\u00e9af_1000001"), kvd::Collation::forLocale(QLocale::c()),
                                 kvd::TextEncoding::Utf8);
    countTrue(state, cells(), [&](std::string_view cell) { return search.matches(cell); });
}
BENCHMARK(CollatorCellSearch)->Unit(benchmark::kMillisecond);

void QuickLineTest(benchmark::State& state)
{
    countTrue(state, lines(), [](std::string_view line) { return asciiSearch().lineMayMatch(line, ';'); });
}
BENCHMARK(QuickLineTest)->Unit(benchmark::kMillisecond);

// The same on whole lines: where Horspool's skips pay.
void PlainFoldedLineScan(benchmark::State& state)
{
    const std::string folded = Absent.toLower().toStdString();
    countTrue(state, lines(), [&](std::string_view line) { return plainFoldedContains(line, folded); });
}
BENCHMARK(PlainFoldedLineScan)->Unit(benchmark::kMillisecond);

void SplitAndSearchFields(benchmark::State& state)
{
    countTrue(state, lines(), [](std::string_view rest) {
        bool found = false;
        for (std::size_t end; !rest.empty(); rest.remove_prefix(end == rest.npos ? rest.size() : end + 1)) {
            end = rest.find(';');
            found = asciiSearch().matches(rest.substr(0, end)) || found;
        }
        return found;
    });
}
BENCHMARK(SplitAndSearchFields)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
