#include "summary/MeasurementStatistics.h"

#include "datafile/DataTable.h"
#include "datafile/NumberText.h"
#include "datafile/SplitFields.h"
#include "summary/MeasurementValue.h"
#include "summary/OrderedChunks.h"
#include "summary/StatisticsTable.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <string_view>
#include <thread>
#include <utility>
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

// Calls visit(i, cell) for i = 0..count-1 with the cell of column columnOf(i) of the
// line, the columns rising, as DataTable::cell would give it (empty past the line's
// last field). The line is split once, up to the last column asked for.
template <class ColumnOf, class Visit>
void forEachCell(std::string_view line, char separator, std::size_t count, ColumnOf columnOf, Visit visit)
{
    FieldScanner fields(line, separator);
    std::string_view cell;
    int column = -1;
    bool inLine = true;
    for (std::size_t i = 0; i < count; ++i) {
        const int wanted = columnOf(i);
        while (inLine && column < wanted) {
            inLine = fields.next(cell);
            ++column;
        }
        visit(i, inLine ? cell : std::string_view());
    }
}

// The running figures of one measurement column.
struct ColumnSums {
    int column = 0;
    int gridRow = 0;   // its row in the statistics grid
    bool valid = true; // every value so far was a number
    double sum = 0;
    // What rounding dropped from each addition to sum, added up: sum + sumError is
    // the exact sum of the values to a few units in its last place.
    double sumError = 0;
    double minimum = 0;
    double maximum = 0;
    double displayedMean = 0; // the mean as the grid shows it, parsed back
    bool meanShown = false;
    double squares = 0;       // sum of squared deviations from displayedMean
    // The mean to a few units in its last place, and the deviations from it: their
    // sum and the sum of their squares.
    double center = 0;
    double centeredSum = 0;
    double centeredSquares = 0;
};

std::string formatted(double value, char decimalSeparator)
{
    return LocaleToPoint(formatFixed(value, decimalSeparator), decimalSeparator);
}

// Tables with fewer cells than this are summed by one thread.
constexpr std::size_t ParallelCellCount = 200000;
// The cells of a chunk of rows: its values (8 bytes each, 128 KiB) and its lines stay
// in the cache of the core that read them until they are folded. Measured on the
// 1,000,000 x 12 file: from 4096 to 32768 the passes cost alike, 1024 and 131072
// about 3% more.
constexpr std::size_t ChunkCellCount = 16384;
// Marks a cell that is not a number in a chunk's values: numbers are always finite.
constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();

// The values of one column in a chunk of rows, row after row.
class ChunkColumn {
public:
    struct Values {
        const double* data; // row after row
        std::size_t width;  // values a row
        std::size_t rows;
    };
    ChunkColumn(const Values& values, std::size_t place) noexcept : m_values(values), m_place(place) {}

    std::size_t size() const noexcept { return m_values.rows; }
    // The value of the chunk's rowIndex-th row (from 0).
    double operator[](std::size_t rowIndex) const noexcept
    {
        return m_values.data[rowIndex * m_values.width + m_place];
    }

private:
    Values m_values;
    std::size_t m_place;
};

// Takes a column's values of one chunk, in row order, into its figures; returns false
// when the column needs no further value.
using ColumnFold = std::function<bool(ColumnSums& figures, const ChunkColumn& values)>;

// One pass over the object rows firstRowNumber..n for some columns (in column order).
// The rows are cut into chunks; each chunk is read by either thread, every line split
// once and the cells of these columns parsed into the chunk's values; then the fold
// takes the values of each column in row order, chunk after chunk, so a column's
// figures are those of one thread walking its rows (NotANumber marks a cell that is
// not a number). Once no column needs further values, the pass ends.
class ColumnPass {
public:
    ColumnPass(const DataTable& table, int firstRowNumber, std::vector<ColumnSums*> columns, char decimalSeparator)
        : m_table(table), m_firstRowNumber(firstRowNumber), m_columns(std::move(columns)),
          m_finished(m_columns.size()), m_unfinished(m_columns.size()),
          m_readers{Reader(decimalSeparator), Reader(decimalSeparator)}
    {
        const int objectCount = table.objectCount();
        m_rowCount = firstRowNumber <= objectCount ? static_cast<std::size_t>(objectCount - firstRowNumber + 1) : 0;
        m_rowsPerChunk = statisticsChunkRows(m_columns.size());
    }

    void run(const ColumnFold& fold)
    {
        if (m_columns.empty() || m_rowCount == 0)
            return;
        ChunkWork work;
        work.chunkCount = (m_rowCount + m_rowsPerChunk - 1) / m_rowsPerChunk;
        work.read = [this](std::size_t chunk, std::size_t slot, int reader) { read(chunk, slot, reader); };
        work.fold = [this, &fold](std::size_t chunk, std::size_t slot) { return foldChunk(chunk, slot, fold); };
        const std::size_t width = m_columns.size();
        runOrderedChunks(work, m_rowCount * width >= ParallelCellCount && std::thread::hardware_concurrency() >= 2);
    }

private:
    // A column a chunk reads: its index in the table and its place in a row's values.
    struct Target {
        int column;
        std::size_t place;
    };
    // What each thread keeps of its own.
    struct Reader {
        explicit Reader(char separator) : parser(separator) {}
        CellParser parser;
        std::vector<Target> targets; // in column order
    };

    std::size_t chunkRows(std::size_t chunk) const noexcept
    {
        return std::min(m_rowsPerChunk, m_rowCount - chunk * m_rowsPerChunk);
    }

    void read(std::size_t chunk, std::size_t slot, int readerIndex)
    {
        Reader& reader = m_readers[static_cast<std::size_t>(readerIndex)];
        reader.targets.clear();
        for (std::size_t place = 0; place < m_columns.size(); ++place) {
            if (!m_finished[place].load(std::memory_order_relaxed))
                reader.targets.push_back({m_columns[place]->column, place});
        }
        const std::size_t width = m_columns.size();
        std::vector<double>& values = m_values[slot];
        values.resize(std::min(m_rowsPerChunk, m_rowCount) * width);
        double* rowValues = values.data();
        const int first = m_firstRowNumber + static_cast<int>(chunk * m_rowsPerChunk);
        const int end = first + static_cast<int>(chunkRows(chunk));
        const char separator = m_table.separator();
        const auto columnOf = [&reader](std::size_t i) { return reader.targets[i].column; };
        for (int rowNumber = first; rowNumber < end; ++rowNumber, rowValues += width) {
            forEachCell(m_table.line(rowNumber), separator, reader.targets.size(), columnOf,
                        [&](std::size_t i, std::string_view cell) {
                            double value = 0;
                            rowValues[reader.targets[i].place] = reader.parser.parse(cell, value) ? value : NotANumber;
                        });
        }
    }

    bool foldChunk(std::size_t chunk, std::size_t slot, const ColumnFold& fold)
    {
        const ChunkColumn::Values chunkValues{m_values[slot].data(), m_columns.size(), chunkRows(chunk)};
        for (std::size_t place = 0; place < m_columns.size(); ++place) {
            if (m_finished[place].load(std::memory_order_relaxed))
                continue;
            if (!fold(*m_columns[place], ChunkColumn(chunkValues, place))) {
                m_finished[place].store(true, std::memory_order_relaxed);
                --m_unfinished;
            }
        }
        return m_unfinished > 0;
    }

    const DataTable& m_table;
    int m_firstRowNumber;
    std::vector<ColumnSums*> m_columns;
    std::size_t m_rowCount = 0;
    std::size_t m_rowsPerChunk = 1;
    // Set by the fold when a column needs no more values, read by both readers.
    std::vector<std::atomic<bool>> m_finished;
    std::size_t m_unfinished;
    std::array<Reader, 2> m_readers;
    std::array<std::vector<double>, ChunkSlotCount> m_values;
};

// First pass over rows 2..n: sum, minimum and maximum. A column that meets a value
// that is not a number stops there and is marked invalid.
void sumColumns(const DataTable& table, std::vector<ColumnSums>& sums, char decimalSeparator)
{
    std::vector<ColumnSums*> columns;
    for (ColumnSums& sum : sums)
        columns.push_back(&sum);
    ColumnPass(table, 2, std::move(columns), decimalSeparator).run([](ColumnSums& figures, const ChunkColumn& values) {
        double sum = figures.sum;
        double sumError = figures.sumError;
        double minimum = figures.minimum;
        double maximum = figures.maximum;
        for (std::size_t rowIndex = 0; rowIndex < values.size(); ++rowIndex) {
            const double value = values[rowIndex];
            if (std::isnan(value)) {
                figures.valid = false;
                return false;
            }
            // The rounding error of sum + value, exactly (two-sum).
            const double next = sum + value;
            const double taken = next - sum;
            sumError += (sum - (next - taken)) + (value - taken);
            sum = next;
            if (value > maximum)
                maximum = value;
            if (value < minimum)
                minimum = value;
        }
        figures.sum = sum;
        figures.sumError = sumError;
        figures.minimum = minimum;
        figures.maximum = maximum;
        return true;
    });
}

// Second pass over rows 1..n, for the valid columns whose mean is shown: squared
// deviations from the displayed mean, and deviations from the mean and their squares.
void sumSquares(const DataTable& table, std::vector<ColumnSums>& sums, char decimalSeparator)
{
    std::vector<ColumnSums*> columns;
    for (ColumnSums& sum : sums) {
        if (sum.valid && sum.meanShown)
            columns.push_back(&sum);
    }
    ColumnPass(table, 1, std::move(columns), decimalSeparator).run([](ColumnSums& figures, const ChunkColumn& values) {
        double squares = figures.squares;
        double centeredSum = figures.centeredSum;
        double centeredSquares = figures.centeredSquares;
        for (std::size_t rowIndex = 0; rowIndex < values.size(); ++rowIndex) {
            const double value = values[rowIndex];
            const double deviation = value - figures.displayedMean;
            squares += deviation * deviation;
            const double centered = value - figures.center;
            centeredSum += centered;
            centeredSquares += centered * centered;
        }
        figures.squares = squares;
        figures.centeredSum = centeredSum;
        figures.centeredSquares = centeredSquares;
        return true;
    });
}

void writeMeanMinMax(ColumnSums& column, int objectCount, char decimalSeparator, CellParser& parser,
                     StatisticsTable& statistics)
{
    const double mean = column.sum / objectCount;
    if (std::isfinite(mean)) {
        const std::string meanText = formatted(mean, decimalSeparator);
        column.meanShown = parser.parse(meanText, column.displayedMean);
        statistics.setCell(column.gridRow, MeanColumn, meanText);
        const double center = (column.sum + column.sumError) / objectCount;
        column.center = std::isfinite(center) ? center : mean;
    } else {
        statistics.setCell(column.gridRow, MeanColumn, NotAvailable);
    }
    statistics.setCell(column.gridRow, MinColumn, formatted(column.minimum, decimalSeparator));
    statistics.setCell(column.gridRow, MaxColumn, formatted(column.maximum, decimalSeparator));
}

void writeStandardError(const ColumnSums& column, int objectCount, char decimalSeparator,
                        StatisticsTable& statistics)
{
    // One object has no spread to estimate; a sum beyond the range of a double has none
    // to show.
    const double standardError = objectCount > 1 && column.meanShown
        ? std::sqrt(column.squares / (objectCount - 1)) / std::sqrt(static_cast<double>(objectCount))
        : NAN;
    statistics.setCell(column.gridRow, StdErrColumn,
                       std::isfinite(standardError) ? formatted(standardError, decimalSeparator) : NotAvailable);
}

MeasurementFigures figuresOf(const ColumnSums& column, int objectCount)
{
    MeasurementFigures figures;
    figures.column = column.column;
    figures.row = column.gridRow;
    figures.count = objectCount;
    if (!column.valid) {
        figures.state = MeasurementFigures::State::Invalid;
        return figures;
    }
    figures.mean = column.sum / objectCount;
    figures.minimum = column.minimum;
    figures.maximum = column.maximum;
    if (objectCount > 1 && column.meanShown) {
        // The squares were summed around the center c, within a few units of the last
        // place of the mean; around the exact mean they are smaller by
        // (sum of (x - c))^2 / n. The deviations from c are small, so the subtraction
        // loses little; rounding may still leave it a hair below zero. Squares beyond
        // the range of a double give infinity or NaN, never a number.
        const double n = objectCount;
        const double squares = column.centeredSquares - column.centeredSum * column.centeredSum / n;
        figures.standardError = std::sqrt(std::max(squares, 0.0) / (n - 1)) / std::sqrt(n);
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
        const auto columnOf = [](std::size_t i) { return static_cast<int>(i); };
        forEachCell(table.line(1), table.separator(), accepted.size(), columnOf, [&](std::size_t column, auto cell) {
            double value = 0;
            accepted[column] = static_cast<int>(column) >= firstCandidate && parser.parse(cell, value);
        });
    }
    return accepted;
}

// The figures of the accepted columns, started from the first object row. KVD kinds
// pack accepted columns into grid rows 1, 2, ...; WUM kinds keep grid row c for
// column c.
std::vector<ColumnSums> startSums(const DataTable& table, const std::vector<bool>& accepted, int firstCandidate,
                                  bool wumKind, CellParser& parser)
{
    std::vector<ColumnSums> sums;
    for (int column = firstCandidate; column < static_cast<int>(accepted.size()); ++column) {
        if (!accepted[static_cast<std::size_t>(column)])
            continue;
        ColumnSums sum;
        sum.column = column;
        sum.gridRow = wumKind ? column : static_cast<int>(sums.size()) + 1;
        parser.parse(table.cell(1, column), sum.sum);
        sum.minimum = sum.maximum = sum.sum;
        sums.push_back(sum);
    }
    return sums;
}

// The grid before any figure: heading, the names, and the "n/a" rows of the WUM kinds.
void writeNames(const DataTable& table, const std::vector<ColumnSums>& sums, const std::vector<bool>& accepted,
                int firstCandidate, bool wumKind, StatisticsTable& statistics)
{
    const int columnCount = static_cast<int>(accepted.size());
    statistics.setRowCount(0);
    statistics.setRowCount(wumKind ? columnCount : static_cast<int>(sums.size()) + 1);
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
        statistics.setCell(sum.gridRow, NameColumn, std::string(table.cell(0, sum.column)));
        statistics.setMeasurementColumn(sum.gridRow, sum.column);
    }
}

} // namespace

std::size_t statisticsChunkRows(std::size_t columnCount) noexcept
{
    return std::max<std::size_t>(1, ChunkCellCount / std::max<std::size_t>(1, columnCount));
}

int countMeasurements(const DataTable& table, FileKind kind, char decimalSeparator)
{
    const std::vector<bool> accepted = acceptedColumns(table, kind, decimalSeparator);
    return static_cast<int>(std::count(accepted.begin(), accepted.end(), true));
}

int fillStatistics(const DataTable& table, FileKind kind, char decimalSeparator, StatisticsTable& statistics,
                   const WarningSink& warning, std::vector<MeasurementFigures>* figures)
{
    const int objectCount = table.objectCount();
    const bool wumKind = isWumKind(kind);
    const int firstCandidate = wumKind ? 1 : 2;
    CellParser parser(decimalSeparator);
    const std::vector<bool> accepted = acceptedColumns(table, kind, decimalSeparator);
    std::vector<ColumnSums> sums = startSums(table, accepted, firstCandidate, wumKind, parser);
    writeNames(table, sums, accepted, firstCandidate, wumKind, statistics);

    sumColumns(table, sums, decimalSeparator);
    for (ColumnSums& sum : sums) {
        if (!sum.valid) {
            if (warning)
                warning("WARNING: \"" + std::string(table.cell(0, sum.column)) + "\" contains invalid value(s)");
            continue;
        }
        writeMeanMinMax(sum, objectCount, decimalSeparator, parser, statistics);
    }
    sumSquares(table, sums, decimalSeparator);
    for (const ColumnSums& sum : sums) {
        if (sum.valid)
            writeStandardError(sum, objectCount, decimalSeparator, statistics);
    }
    if (figures)
        collectFigures(sums, accepted, firstCandidate, wumKind, objectCount, *figures);
    return static_cast<int>(sums.size());
}

} // namespace kvd
