// The i-th row of a RowSet, found with its block index, against counting the bits of
// every word from the first (what the set would do without the index), on a set of
// every other row of ten million, as F3 steps through the rows of a jump.
#include "summary/RowSet.h"

#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <vector>

namespace {

constexpr int Rows = 10'000'000;

const kvd::RowSet& everyOtherRow()
{
    static const kvd::RowSet set = [] {
        kvd::RowSet rows;
        for (int row = 0; row < Rows; row += 2)
            rows.add(row);
        return rows;
    }();
    return set;
}

// The same bitmap, read without an index.
const std::vector<std::uint64_t>& everyOtherWord()
{
    static const std::vector<std::uint64_t> words(Rows / 64 + 1, 0x5555555555555555u);
    return words;
}

int scannedRow(const std::vector<std::uint64_t>& words, std::size_t index)
{
    std::size_t word = 0;
    for (;; ++word) {
        const auto held = static_cast<std::size_t>(std::popcount(words[word]));
        if (index < held)
            break;
        index -= held;
    }
    std::uint64_t bits = words[word];
    for (; index > 0; --index)
        bits &= bits - 1;
    return static_cast<int>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
}

void BM_IndexedRow(benchmark::State& state)
{
    const kvd::RowSet& rows = everyOtherRow();
    std::size_t index = 12345;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rows[index]);
        index = (index + 999'983) % rows.size();
    }
}
BENCHMARK(BM_IndexedRow);

void BM_ScannedRow(benchmark::State& state)
{
    const std::vector<std::uint64_t>& words = everyOtherWord();
    std::size_t index = 12345;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scannedRow(words, index));
        index = (index + 999'983) % (Rows / 2);
    }
}
BENCHMARK(BM_ScannedRow);

} // namespace

BENCHMARK_MAIN();
