#include "summary/StatisticsByValue.h"

#include "common/Errors.h"
#include "datafile/DataTable.h"
#include "summary/Collation.h"
#include "summary/DistinctValues.h"
#include "summary/MeasurementValue.h"
#include "summary/RowHashTable.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvd {

namespace {

const char* keyName(ValueColumn key)
{
    switch (key) {
    case ValueColumn::Source: return "source";
    case ValueColumn::Group: return "group";
    case ValueColumn::Status: return "status";
    }
    return "";
}

// Sets rowSpellings[r - 1] to the exact spelling of object row r, numbered in order
// of first appearance; returns each spelling's first row.
std::vector<std::int32_t> numberSpellings(const TextOfRow& textOfRow, int objectCount,
                                          std::vector<std::int32_t>& rowSpellings)
{
    const auto rowCount = static_cast<std::size_t>(objectCount);
    std::vector<std::int32_t> firstRows;
    RowHashTable table(RowHashTable::firstCapacity(rowCount), rowCount);
    for (int row = 1; row <= objectCount; ++row) {
        const TwoPieceText text = textOfRow(row);
        if (firstRows.size() == table.capacity()) {
            RowHashTable larger(RowHashTable::grownCapacity(table.capacity(), static_cast<std::size_t>(row - 1), rowCount),
                                rowCount);
            for (std::size_t id = 0; id < firstRows.size(); ++id)
                larger.findOrInsert(hashBytes(textOfRow(firstRows[id])), static_cast<std::int32_t>(id),
                                    [](std::int32_t) { return false; });
            table = std::move(larger);
        }
        const auto next = static_cast<std::int32_t>(firstRows.size());
        const std::int32_t found = table.findOrInsert(hashBytes(text), next, [&](std::int32_t id) {
            return equalBytes(textOfRow(firstRows[static_cast<std::size_t>(id)]), text);
        });
        if (found < 0)
            firstRows.push_back(row);
        rowSpellings[static_cast<std::size_t>(row - 1)] = found < 0 ? next : found;
    }
    return firstRows;
}

// The index in `values` of every object row's value: rowValues[r - 1] for row r.
std::vector<std::int32_t> valueOfEachRow(const TextOfRow& textOfRow, int objectCount, const DistinctValues& values)
{
    std::vector<std::int32_t> rowValues(static_cast<std::size_t>(objectCount));
    const std::vector<std::int32_t> firstRows = numberSpellings(textOfRow, objectCount, rowValues);
    std::vector<std::int32_t> spellingValues(firstRows.size());
    for (std::size_t spelling = 0; spelling < firstRows.size(); ++spelling) {
        const TwoPieceText text = textOfRow(firstRows[spelling]);
        spellingValues[spelling] = values.find(text.head);
        if (spellingValues[spelling] < 0)
            throw Error("A value of the column was not found among its distinct values");
    }
    for (std::int32_t& value : rowValues)
        value = spellingValues[static_cast<std::size_t>(value)];
    return rowValues;
}

// The running figures of a value and measurement beside its ValueFigures: the mean
// of the deviations from the value's first number (the shift, held in
// ValueFigures::mean until finish()) and their sum of squared deviations from that mean, updated one number at
// a time. Deviations from a number of the value are small, so the running mean keeps
// the digits a mean of large numbers would round away, and one pass gives the
// squares around the exact mean.
struct RunningSpread {
    double mean = 0;
    double squares = 0;
};

class Accumulator {
public:
    explicit Accumulator(StatisticsByValue& result) : m_result(result), m_spreads(result.figures.size()) {}

    // Adds object row `row`, the `objectIndex`-th (from 1) of value `value`.
    void add(const DataTable& table, int row, std::size_t value, int objectIndex, char decimalSeparator)
    {
        table.rowFields(row, m_fields);
        const std::size_t measurements = m_result.measurementCount();
        for (std::size_t m = 0; m < measurements; ++m) {
            const auto column = static_cast<std::size_t>(m_result.measurementColumns[m]);
            double x = NAN;
            if (column >= m_fields.size() || !measurementValue(m_fields[column], decimalSeparator, x, m_buffer))
                x = NAN; // not met in a column whose every value is a number
            ValueFigures& figures = m_result.figures[value * measurements + m];
            RunningSpread& spread = m_spreads[value * measurements + m];
            // Until finish(), mean holds the shift and standardError the sum.
            if (objectIndex == 1)
                figures = ValueFigures{x, 0, x, x};
            figures.standardError += x;
            figures.minimum = std::min(figures.minimum, x);
            figures.maximum = std::max(figures.maximum, x);
            const double shifted = x - figures.mean;
            const double deviation = shifted - spread.mean;
            spread.mean += deviation / objectIndex;
            spread.squares += deviation * (shifted - spread.mean);
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
    std::vector<std::string_view> m_fields;
    std::string m_buffer;
};

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
    const TextOfRow textOfRow = [&table, column](int row) { return TwoPieceText{table.cell(row, column), {}}; };
    const int objectCount = table.objectCount();
    const DistinctValues values(Collation::forLocale(locale), encoding, textOfRow, 1, objectCount + 1);
    const std::vector<std::int32_t> rowValues = valueOfEachRow(textOfRow, objectCount, values);
    result.values = values.tallies();
    result.objects.assign(result.values.size(), 0);
    result.figures.resize(result.values.size() * result.measurementCount());
    Accumulator accumulator(result);
    for (int row = 1; row <= objectCount; ++row) {
        const auto value = static_cast<std::size_t>(rowValues[static_cast<std::size_t>(row - 1)]);
        accumulator.add(table, row, value, ++result.objects[value], decimalSeparator);
    }
    accumulator.finish();
    return result;
}

} // namespace kvd
