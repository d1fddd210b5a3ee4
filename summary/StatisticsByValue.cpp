#include "summary/StatisticsByValue.h"

#include "common/Errors.h"
#include "datafile/DataTable.h"
#include "summary/Collation.h"
#include "summary/DistinctValues.h"
#include "datafile/SplitFields.h"
#include "summary/MeasurementStatistics.h"
#include "summary/MeasurementValue.h"
#include "summary/OrderedChunks.h"
#include "summary/RowHashTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvd {

namespace {

// Tables with fewer measurement cells than this are read by one thread.
constexpr std::size_t ParallelCellCount = 200000;

const char* keyName(ValueColumn key)
{
    switch (key) {
    case ValueColumn::Source: return "source";
    case ValueColumn::Group: return "group";
    case ValueColumn::Status: return "status";
    }
    return "";
}

// The exact spellings of a column, numbered in order of first appearance.
struct Spellings {
    std::vector<std::int32_t> firstRows; // per spelling
    std::vector<std::int32_t> counts;    // per spelling: the rows spelled so
    std::vector<std::int32_t> ofRow;     // per object row r, at r - 1
};

Spellings numberSpellings(const TextOfRow& textOfRow, int objectCount)
{
    const auto rowCount = static_cast<std::size_t>(objectCount);
    Spellings spellings;
    spellings.ofRow.resize(rowCount);
    RowHashTable table(RowHashTable::firstCapacity(rowCount), rowCount);
    for (int row = 1; row <= objectCount; ++row) {
        const TwoPieceText text = textOfRow(row);
        if (spellings.firstRows.size() == table.capacity()) {
            RowHashTable larger(RowHashTable::grownCapacity(table.capacity(), static_cast<std::size_t>(row - 1), rowCount),
                                rowCount);
            for (std::size_t id = 0; id < spellings.firstRows.size(); ++id)
                larger.findOrInsert(hashBytes(textOfRow(spellings.firstRows[id])), static_cast<std::int32_t>(id),
                                    [](std::int32_t) { return false; });
            table = std::move(larger);
        }
        const auto next = static_cast<std::int32_t>(spellings.firstRows.size());
        const std::int32_t found = table.findOrInsert(hashBytes(text), next, [&](std::int32_t id) {
            return equalBytes(textOfRow(spellings.firstRows[static_cast<std::size_t>(id)]), text);
        });
        if (found < 0) {
            spellings.firstRows.push_back(row);
            spellings.counts.push_back(1);
        } else {
            ++spellings.counts[static_cast<std::size_t>(found)];
        }
        spellings.ofRow[static_cast<std::size_t>(row - 1)] = found < 0 ? next : found;
    }
    return spellings;
}

// The values of the column as the report tallies them, from its spellings (the
// distinct values of the spellings, each spelling met once, in order of first
// appearance, are those of the rows); and the value of each object row, at r - 1 of
// the returned rows (which were the spellings' ofRow).
std::vector<std::int32_t> tallyValues(const TextOfRow& textOfRow, Spellings spellings, const Collation& collation,
                                      TextEncoding encoding, std::vector<Tally>& tallies)
{
    const TextOfRow textOfSpelling = [&](int spelling) {
        return textOfRow(spellings.firstRows[static_cast<std::size_t>(spelling)]);
    };
    const DistinctValues values(collation, encoding, textOfSpelling, 0, static_cast<int>(spellings.firstRows.size()));
    tallies.clear();
    tallies.reserve(values.tallies().size());
    for (const Tally& tally : values.tallies()) {
        const auto spelling = static_cast<std::size_t>(tally.row);
        tallies.push_back(Tally{spellings.firstRows[spelling], spellings.counts[spelling]});
    }
    std::vector<std::int32_t>& spellingValues = spellings.counts; // no longer needed as counts
    for (std::size_t spelling = 0; spelling < spellings.firstRows.size(); ++spelling) {
        spellingValues[spelling] = values.find(textOfRow(spellings.firstRows[spelling]).head);
        if (spellingValues[spelling] < 0)
            throw Error("A value of the column was not found among its distinct values");
    }
    for (std::int32_t& value : spellings.ofRow)
        value = spellingValues[static_cast<std::size_t>(value)];
    return std::move(spellings.ofRow);
}

// The running figures of a value and measurement beside its ValueFigures: the mean
// of the deviations from the value's first number (the shift, held in
// ValueFigures::mean until finish()) and their sum of squared deviations from that
// mean, updated one number at a time. Deviations from a number of the value are
// small, so the running mean keeps the digits a mean of large numbers would round
// away, and one pass gives the squares around the exact mean.
struct RunningSpread {
    double mean = 0;
    double squares = 0;
};

// Folds the measurements of the object rows, in row order, into the figures of
// their values.
class Accumulator {
public:
    explicit Accumulator(StatisticsByValue& result) : m_result(result), m_spreads(result.figures.size()) {}

    // Adds the numbers of one row (one per measurement) to value `value`, whose
    // objects it has counted (this row included).
    void add(const double* numbers, std::size_t value)
    {
        const int objectIndex = m_result.objects[value];
        const double weight = 1.0 / objectIndex;
        const std::size_t measurements = m_result.measurementCount();
        ValueFigures* figures = &m_result.figures[value * measurements];
        RunningSpread* spreads = &m_spreads[value * measurements];
        for (std::size_t m = 0; m < measurements; ++m) {
            const double x = numbers[m];
            // Until finish(), mean holds the shift and standardError the sum.
            if (objectIndex == 1)
                figures[m] = ValueFigures{x, 0, x, x};
            figures[m].standardError += x;
            figures[m].minimum = std::min(figures[m].minimum, x);
            figures[m].maximum = std::max(figures[m].maximum, x);
            const double shifted = x - figures[m].mean;
            const double deviation = shifted - spreads[m].mean;
            spreads[m].mean += deviation * weight;
            spreads[m].squares += deviation * (shifted - spreads[m].mean);
        }
    }

    void finish()
    {
        const std::size_t measurements = m_result.measurementCount();
        for (std::size_t value = 0; value < m_result.objects.size(); ++value) {
            const int n = m_result.objects[value];
            for (std::size_t m = 0; m < measurements; ++m) {
                ValueFigures& figures = m_result.figures[value * measurements + m];
                const RunningSpread& spread = m_spreads[value * measurements + m];
                // As the statistics grid's figures: the sum over the count.
                figures.mean = figures.standardError / n;
                figures.standardError = n > 1 ? std::sqrt(spread.squares / (n - 1)) / std::sqrt(static_cast<double>(n))
                                              : NAN;
            }
        }
    }

private:
    StatisticsByValue& m_result;
    std::vector<RunningSpread> m_spreads;
};

// The numbers of a row's measurement columns (in increasing column order), each line
// split once. A cell that is not a number gives NaN (not met in columns whose every
// value is a number).
void readRow(const DataTable& table, int row, const std::vector<int>& columns, char decimalSeparator,
             std::string& buffer, double* numbers)
{
    FieldScanner fields(table.line(row), table.separator());
    std::string_view cell;
    int column = -1;
    bool inLine = true;
    for (std::size_t m = 0; m < columns.size(); ++m) {
        while (inLine && column < columns[m]) {
            inLine = fields.next(cell);
            ++column;
        }
        double x = NAN;
        if (!inLine || !measurementValue(cell, decimalSeparator, x, buffer))
            x = NAN;
        numbers[m] = x;
    }
}

// Reads the measurements of every object row, in chunks that either of two threads
// parses, and folds them in row order: the figures are those of one thread walking
// the rows.
void accumulate(const DataTable& table, const std::vector<std::int32_t>& rowValues, char decimalSeparator,
                StatisticsByValue& result)
{
    const std::size_t width = result.measurementCount();
    const auto rowCount = static_cast<std::size_t>(table.objectCount());
    Accumulator accumulator(result);
    const std::size_t rowsPerChunk = statisticsChunkRows(std::max<std::size_t>(width, 1));
    std::array<std::vector<double>, ChunkSlotCount> chunkNumbers;
    std::array<std::string, 2> buffers;
    ChunkWork work;
    work.chunkCount = width == 0 ? 0 : (rowCount + rowsPerChunk - 1) / rowsPerChunk;
    work.read = [&](std::size_t chunk, std::size_t slot, int reader) {
        const std::size_t first = chunk * rowsPerChunk;
        const std::size_t end = std::min(first + rowsPerChunk, rowCount);
        std::vector<double>& numbers = chunkNumbers[slot];
        numbers.resize((end - first) * width);
        std::string& buffer = buffers[static_cast<std::size_t>(reader)];
        for (std::size_t i = first; i < end; ++i)
            readRow(table, static_cast<int>(i + 1), result.measurementColumns, decimalSeparator, buffer,
                    &numbers[(i - first) * width]);
    };
    work.fold = [&](std::size_t chunk, std::size_t slot) {
        const std::size_t first = chunk * rowsPerChunk;
        const std::size_t end = std::min(first + rowsPerChunk, rowCount);
        for (std::size_t i = first; i < end; ++i) {
            const auto value = static_cast<std::size_t>(rowValues[i]);
            ++result.objects[value];
            accumulator.add(&chunkNumbers[slot][(i - first) * width], value);
        }
        return true;
    };
    runOrderedChunks(work, rowCount * width >= ParallelCellCount && std::thread::hardware_concurrency() >= 2);
    if (width == 0) {
        for (const std::int32_t value : rowValues)
            ++result.objects[static_cast<std::size_t>(value)];
    }
    accumulator.finish();
}

} // namespace

int valueColumnOf(const SummaryReport& report, ValueColumn key) noexcept
{
    switch (key) {
    case ValueColumn::Source: return report.columns.source;
    case ValueColumn::Group: return report.columns.group;
    case ValueColumn::Status: return report.columns.status;
    }
    return -1;
}

StatisticsByValue statisticsByValue(const DataTable& table, const SummaryReport& report,
                                    const std::vector<MeasurementFigures>& figures, ValueColumn key,
                                    TextEncoding encoding, const QLocale& locale, char decimalSeparator)
{
    StatisticsByValue result;
    result.key = key;
    result.column = valueColumnOf(report, key);
    if (result.column < 0)
        throw Error(std::string("This file has no ") + keyName(key) + " column: groups and statuses are those of learning files");
    for (const MeasurementFigures& measurement : figures) {
        if (measurement.state == MeasurementFigures::State::Computed)
            result.measurementColumns.push_back(measurement.column);
    }
    const int column = result.column;
    const char separator = table.separator();
    // The cell DataTable::cell gives, from the line without the table's cache.
    const TextOfRow textOfRow = [&table, column, separator](int row) {
        FieldScanner fields(table.line(row), separator);
        std::string_view cell;
        for (int i = 0; i <= column; ++i) {
            if (!fields.next(cell))
                return TwoPieceText{};
        }
        return TwoPieceText{cell, {}};
    };
    const std::vector<std::int32_t> rowValues = tallyValues(textOfRow, numberSpellings(textOfRow, table.objectCount()),
                                                            Collation::forLocale(locale), encoding, result.values);
    result.objects.assign(result.values.size(), 0);
    result.figures.resize(result.values.size() * result.measurementCount());
    accumulate(table, rowValues, decimalSeparator, result);
    return result;
}

} // namespace kvd
