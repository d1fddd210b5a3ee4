#include "summary/MeasurementStatistics.h"

#include "datafile/DataTable.h"
#include "datafile/NumberText.h"
#include "datafile/SplitFields.h"
#include "summary/MeasurementValue.h"
#include "summary/StatisticsTable.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>
#include <string_view>
#include <vector>

namespace kvd {

namespace {

enum StatisticsColumn { NameColumn, MeanColumn, StdErrColumn, MinColumn, MaxColumn };
constexpr int NameColumnWidth = 140;
const std::string NotAvailable = "n/a";

// Reads the cells of a column as numbers (measurementValue), with one buffer for
// the texts whose "." is rewritten.
class CellParser {
public:
    explicit CellParser(char decimalSeparator) : m_separator(decimalSeparator) {}

    bool parse(std::string_view cell, double& value) { return measurementValue(cell, m_separator, value, m_buffer); }

private:
    char m_separator;
    std::string m_buffer;
};

// Calls visit(columnIndex, cell) for columns 0..lastColumn of a line, in order, with
// the cells DataTable::cell would give (empty past the line's last field). Stops
// early when visit returns false.
template <class Visit>
void forEachCell(std::string_view line, char separator, int lastColumn, Visit&& visit)
{
    FieldScanner fields(line, separator);
    std::string_view cell;
    int column = 0;
    for (; column <= lastColumn && fields.next(cell); ++column) {
        if (!visit(column, cell))
            return;
    }
    for (; column <= lastColumn; ++column) {
        if (!visit(column, std::string_view()))
            return;
    }
}

// The running figures of one measurement column.
struct ColumnSums {
    int column = 0;
    int row = 0;       // its row in the statistics grid
    bool valid = true; // every value so far was a number
    double sum = 0;
    double minimum = 0;
    double maximum = 0;
    double displayedMean = 0; // the mean as the grid shows it, parsed back
    bool meanShown = false;
    double squares = 0;       // sum of squared deviations from displayedMean
};

// The columns a pass still reads, by column index, and the last of them.
class ActiveColumns {
public:
    explicit ActiveColumns(int columnCount) : m_slot(static_cast<std::size_t>(columnCount), -1) {}

    void add(int column, int sumsIndex)
    {
        m_slot[static_cast<std::size_t>(column)] = sumsIndex;
        ++m_count;
        if (column > m_last)
            m_last = column;
    }
    void drop(int column)
    {
        m_slot[static_cast<std::size_t>(column)] = -1;
        --m_count;
        while (m_last >= 0 && m_slot[static_cast<std::size_t>(m_last)] < 0)
            --m_last;
    }
    int sumsIndex(int column) const { return m_slot[static_cast<std::size_t>(column)]; }
    int last() const noexcept { return m_last; }
    bool empty() const noexcept { return m_count == 0; }

private:
    std::vector<int> m_slot;
    int m_count = 0;
    int m_last = -1;
};

std::string formatted(double value, char decimalSeparator)
{
    return LocaleToPoint(formatFixed(value, decimalSeparator), decimalSeparator);
}

// Calls act(column, figures, cell) for each cell of an active column in rows
// firstRow..n, row by row, until no column is active; figures are the ColumnSums
// of that column. act returns false to skip the rest of the line. A template, so
// that act is inlined in the loop: this walk reads every cell of a large file.
template <class Act>
void forEachActiveCell(const DataTable& table, int firstRow, const ActiveColumns& active,
                       std::vector<ColumnSums>& sums, Act&& act)
{
    for (int row = firstRow; row <= table.objectCount() && !active.empty(); ++row) {
        forEachCell(table.line(row), table.separator(), active.last(), [&](int column, std::string_view cell) {
            const int index = active.sumsIndex(column);
            if (index < 0)
                return true;
            return act(column, sums[static_cast<std::size_t>(index)], cell);
        });
    }
}

// First pass over rows 2..n: sum, minimum and maximum. A column that meets a value
// that is not a number stops there and is marked invalid.
void sumColumns(const DataTable& table, std::vector<ColumnSums>& sums, char decimalSeparator)
{
    CellParser parser(decimalSeparator);
    ActiveColumns active(table.columnCount());
    for (std::size_t i = 0; i < sums.size(); ++i)
        active.add(sums[i].column, static_cast<int>(i));
    forEachActiveCell(table, 2, active, sums, [&](int column, ColumnSums& figures, std::string_view cell) {
        double value = 0;
        if (!parser.parse(cell, value)) {
            figures.valid = false;
            active.drop(column);
            return column <= active.last();
        }
        figures.sum += value;
        if (value > figures.maximum)
            figures.maximum = value;
        if (value < figures.minimum)
            figures.minimum = value;
        return true;
    });
}

// Second pass over rows 1..n: squared deviations from the displayed mean.
void sumSquares(const DataTable& table, std::vector<ColumnSums>& sums, char decimalSeparator)
{
    CellParser parser(decimalSeparator);
    ActiveColumns active(table.columnCount());
    for (std::size_t i = 0; i < sums.size(); ++i) {
        if (sums[i].valid && sums[i].meanShown)
            active.add(sums[i].column, static_cast<int>(i));
    }
    forEachActiveCell(table, 1, active, sums, [&](int, ColumnSums& figures, std::string_view cell) {
        double value = 0;
        if (parser.parse(cell, value)) {
            const double deviation = value - figures.displayedMean;
            figures.squares += deviation * deviation;
        }
        return true;
    });
}

// Tables with fewer cells than this are summed by one thread.
constexpr std::size_t ParallelCellCount = 200000;

// Runs pass(columns) over all columns, split between this thread and a second one
// for a large table. Every column is summed by one thread alone, row after row, so its
// figures are bit for bit those of a single thread; the caller then writes the rows
// and warnings in column order as before.
template <class Pass>
void runPass(std::vector<ColumnSums>& sums, std::size_t cellCount, Pass pass)
{
    if (sums.size() < 2 || cellCount < ParallelCellCount || std::thread::hardware_concurrency() < 2) {
        pass(sums);
        return;
    }
    // Alternate columns, so that both threads parse a like share; each thread works on
    // copies of its own, so that no cache line is written by both.
    std::vector<ColumnSums> parts[2];
    for (std::size_t i = 0; i < sums.size(); ++i)
        parts[i % 2].push_back(sums[i]);
    std::exception_ptr secondFailure;
    {
        std::optional<std::jthread> second; // joined on leaving the block, also by an exception
        try {
            second.emplace([&] {
                try {
                    pass(parts[1]);
                } catch (...) {
                    secondFailure = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: this one does both parts.
        }
        pass(parts[0]);
        if (!second)
            pass(parts[1]);
    }
    if (secondFailure)
        std::rethrow_exception(secondFailure);
    for (std::size_t i = 0; i < sums.size(); ++i)
        sums[i] = parts[i % 2][i / 2];
}

void writeMeanMinMax(ColumnSums& column, int objectCount, char decimalSeparator, CellParser& parser,
                     StatisticsTable& statistics)
{
    const double mean = column.sum / objectCount;
    if (std::isfinite(mean)) {
        const std::string meanText = formatted(mean, decimalSeparator);
        column.meanShown = parser.parse(meanText, column.displayedMean);
        statistics.setCell(column.row, MeanColumn, meanText);
    } else {
        statistics.setCell(column.row, MeanColumn, NotAvailable);
    }
    statistics.setCell(column.row, MinColumn, formatted(column.minimum, decimalSeparator));
    statistics.setCell(column.row, MaxColumn, formatted(column.maximum, decimalSeparator));
}

void writeStandardError(const ColumnSums& column, int objectCount, char decimalSeparator,
                        StatisticsTable& statistics)
{
    // One object has no spread to estimate; a sum beyond the range of a double has none
    // to show.
    const double standardError = objectCount > 1 && column.meanShown
        ? std::sqrt(column.squares / (objectCount - 1)) / std::sqrt(static_cast<double>(objectCount))
        : NAN;
    statistics.setCell(column.row, StdErrColumn,
                       std::isfinite(standardError) ? formatted(standardError, decimalSeparator) : NotAvailable);
}

MeasurementFigures figuresOf(const ColumnSums& column, int objectCount)
{
    MeasurementFigures figures;
    figures.column = column.column;
    figures.row = column.row;
    figures.count = objectCount;
    if (!column.valid) {
        figures.state = MeasurementFigures::State::Invalid;
        return figures;
    }
    figures.mean = column.sum / objectCount;
    figures.minimum = column.minimum;
    figures.maximum = column.maximum;
    if (objectCount > 1 && column.meanShown) {
        // The squares were summed around the displayed mean m; around the exact mean
        // they are smaller by n (mean - m)^2.
        const double offset = figures.mean - column.displayedMean;
        const double squares = std::max(0.0, column.squares - objectCount * offset * offset);
        figures.standardError = std::sqrt(squares / (objectCount - 1)) / std::sqrt(static_cast<double>(objectCount));
    }
    return figures;
}

// One entry per grid row below the heading: accepted columns from their sums, the
// "n/a" rows of the WUM kinds in between.
void collectFigures(const std::vector<ColumnSums>& sums, const std::vector<bool>& accepted, int firstCandidate,
                    bool wumKind, int objectCount, std::vector<MeasurementFigures>& figures)
{
    figures.clear();
    auto sum = sums.begin();
    for (int column = firstCandidate; column < static_cast<int>(accepted.size()); ++column) {
        if (accepted[static_cast<std::size_t>(column)]) {
            figures.push_back(figuresOf(*sum++, objectCount));
        } else if (wumKind) {
            MeasurementFigures notNumeric;
            notNumeric.column = column;
            notNumeric.row = column;
            notNumeric.state = MeasurementFigures::State::NotNumeric;
            figures.push_back(notNumeric);
        }
    }
}

void writeHeadings(StatisticsTable& statistics)
{
    static const char* const Headings[StatisticsTable::ColumnCount] = {"Name", "Mean", "Std_Err", "Min", "Max"};
    for (int column = 0; column < StatisticsTable::ColumnCount; ++column)
        statistics.setCell(0, column, Headings[column]);
    statistics.setColumnWidth(NameColumn, NameColumnWidth);
}

// The trial conversion of each candidate's first object value: true for the columns
// whose statistics are computed.
std::vector<bool> acceptedColumns(const DataTable& table, FileKind kind, char decimalSeparator)
{
    const int columnCount = table.columnCount();
    const int firstCandidate = isWumKind(kind) ? 1 : 2;
    CellParser parser(decimalSeparator);
    std::vector<bool> accepted(static_cast<std::size_t>(columnCount), false);
    if (table.objectCount() >= 1 && firstCandidate < columnCount) {
        forEachCell(table.line(1), table.separator(), columnCount - 1, [&](int column, std::string_view cell) {
            double value = 0;
            accepted[static_cast<std::size_t>(column)] = column >= firstCandidate && parser.parse(cell, value);
            return true;
        });
    }
    return accepted;
}

} // namespace

int countMeasurements(const DataTable& table, FileKind kind, char decimalSeparator)
{
    const std::vector<bool> accepted = acceptedColumns(table, kind, decimalSeparator);
    return static_cast<int>(std::count(accepted.begin(), accepted.end(), true));
}

int fillStatistics(const DataTable& table, FileKind kind, char decimalSeparator, StatisticsTable& statistics,
                   const WarningSink& warning, std::vector<MeasurementFigures>* figures)
{
    const int columnCount = table.columnCount();
    const int objectCount = table.objectCount();
    const bool wumKind = isWumKind(kind);
    const int firstCandidate = wumKind ? 1 : 2;
    CellParser parser(decimalSeparator);
    const std::vector<bool> accepted = acceptedColumns(table, kind, decimalSeparator);

    std::vector<ColumnSums> sums;
    for (int column = firstCandidate; column < columnCount; ++column) {
        if (!accepted[static_cast<std::size_t>(column)])
            continue;
        ColumnSums sum;
        sum.column = column;
        // KVD kinds pack accepted columns into rows 1, 2, ...; WUM kinds keep row c.
        sum.row = wumKind ? column : static_cast<int>(sums.size()) + 1;
        parser.parse(table.cell(1, column), sum.sum);
        sum.minimum = sum.maximum = sum.sum;
        sums.push_back(sum);
    }
    const int measurementCount = static_cast<int>(sums.size());

    statistics.setRowCount(0);
    statistics.setRowCount(wumKind ? columnCount : measurementCount + 1);
    writeHeadings(statistics);
    for (int column = firstCandidate; wumKind && column < columnCount; ++column) {
        if (accepted[static_cast<std::size_t>(column)])
            continue;
        statistics.setCell(column, NameColumn, std::string(table.cell(0, column)));
        statistics.setMeasurementColumn(column, column);
        for (int cell = MeanColumn; cell <= MaxColumn; ++cell)
            statistics.setCell(column, cell, NotAvailable);
    }
    for (const ColumnSums& sum : sums) {
        statistics.setCell(sum.row, NameColumn, std::string(table.cell(0, sum.column)));
        statistics.setMeasurementColumn(sum.row, sum.column);
    }

    const std::size_t cellCount = static_cast<std::size_t>(objectCount) * sums.size();
    runPass(sums, cellCount, [&](std::vector<ColumnSums>& part) { sumColumns(table, part, decimalSeparator); });
    for (ColumnSums& sum : sums) {
        if (!sum.valid) {
            if (warning)
                warning("WARNING: \"" + std::string(table.cell(0, sum.column)) + "\" contains invalid value(s)");
            continue;
        }
        writeMeanMinMax(sum, objectCount, decimalSeparator, parser, statistics);
    }
    runPass(sums, cellCount, [&](std::vector<ColumnSums>& part) { sumSquares(table, part, decimalSeparator); });
    for (const ColumnSums& sum : sums) {
        if (sum.valid)
            writeStandardError(sum, objectCount, decimalSeparator, statistics);
    }
    if (figures)
        collectFigures(sums, accepted, firstCandidate, wumKind, objectCount, *figures);
    return measurementCount;
}

} // namespace kvd
