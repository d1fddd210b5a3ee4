// Speed of the data file reader on a file of 1,000,000 objects (about 120 MB), side by
// side with reading the same bytes into memory and nothing else, and of number text
// parsing side by side with the C library's strtold.
//
//   kvd_reader_bench [--benchmark_filter=...]
//
// Run with --benchmark_filter=DataFile alone to read the peak resident memory of a load
// in the counters (peakMiB against fileMiB).

#include "datafile/DataFileReader.h"
#include "datafile/FileBytes.h"
#include "datafile/NumberText.h"
#include "document/Document.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int ObjectCount = 1'000'000;

// Writes the KVD file once, a block at a time, so that writing it does not raise the
// peak memory of the process.
const std::string& bigFile()
{
    static QTemporaryDir dir;
    static const std::string path = [] {
        const std::string file = dir.filePath("million.kvd").toStdString();
        std::ofstream out(file, std::ios::binary);
        out << "KVD benchmark file\r\n[Image]\r\nPixel=0.0423\r\n[Data]\r\nId;Source;Area;Perimeter;Length;Width;"
               "Elongation;Circularity;MeanGrey;MinGrey;MaxGrey;Skew;Kurtosis;Angle\r\n";
        std::mt19937 random(1);
        std::string block;
        char cell[32];
        for (int row = 1; row <= ObjectCount; ++row) {
            block += "object" + std::to_string(row) + (row % 2 ? ";scan_A" : ";scan_B");
            for (int column = 0; column < 12; ++column) {
                std::snprintf(cell, sizeof cell, ";%.3f", static_cast<double>(random() % 10'000'000) / 1000.0);
                block += cell;
            }
            block += "\r\n";
            if (block.size() > (1 << 20)) {
                out << block;
                block.clear();
            }
        }
        out << block;
        return file;
    }();
    return path;
}

double peakResidentMiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void ReadFileBytesOnly(benchmark::State& state)
{
    const std::string& path = bigFile();
    std::size_t size = 0;
    for (auto _ : state) {
        const kvd::FileBytes bytes = kvd::readFileBytes(path, {});
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(ReadFileBytesOnly)->Unit(benchmark::kMillisecond);

void ReadDataFile(benchmark::State& state)
{
    const std::string& path = bigFile();
    std::size_t size = 0;
    for (auto _ : state) {
        kvd::Document document;
        document.fileName = path;
        kvd::readDataFile(path, {document.header, document.table, document.encoding}, {});
        size = document.table.bytes().size();
        if (document.table.objectCount() != ObjectCount)
            state.SkipWithError("wrong object count");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["fileMiB"] = static_cast<double>(size) / (1 << 20);
    state.counters["peakMiB"] = peakResidentMiB();
}
BENCHMARK(ReadDataFile)->Unit(benchmark::kMillisecond);

std::vector<std::string> numberTexts()
{
    std::mt19937 random(2);
    std::vector<std::string> texts;
    char text[32];
    for (int i = 0; i < 100'000; ++i) {
        std::snprintf(text, sizeof text, "%.*f", static_cast<int>(random() % 6),
                      static_cast<double>(random() % 100'000'000) / 997.0);
        texts.push_back(text);
    }
    return texts;
}

void ParseNumberText(benchmark::State& state)
{
    const std::vector<std::string> texts = numberTexts();
    for (auto _ : state) {
        long double sum = 0;
        for (const std::string& text : texts) {
            long double value = 0;
            kvd::tryParseNumberText(text, '.', value);
            sum += value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(ParseNumberText);

// The measurement values of the statistics: one pass, rounded to double.
void ParseNumberAsDouble(benchmark::State& state)
{
    const std::vector<std::string> texts = numberTexts();
    for (auto _ : state) {
        double sum = 0;
        for (const std::string& text : texts) {
            double value = 0;
            kvd::tryParseNumberAsDouble(text, '.', value);
            sum += value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(ParseNumberAsDouble);

// The yardstick: the standard library's conversion to double.
void ParseWithFromChars(benchmark::State& state)
{
    const std::vector<std::string> texts = numberTexts();
    for (auto _ : state) {
        double sum = 0;
        for (const std::string& text : texts) {
            double value = 0;
            std::from_chars(text.data(), text.data() + text.size(), value);
            sum += value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(ParseWithFromChars);

void ParseWithStrtold(benchmark::State& state)
{
    const std::vector<std::string> texts = numberTexts();
    for (auto _ : state) {
        long double sum = 0;
        for (const std::string& text : texts)
            sum += std::strtold(text.c_str(), nullptr);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(ParseWithStrtold);

} // namespace

BENCHMARK_MAIN();
