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
#include <limits>
#include <string_view>
#include <thread>
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
    ChunkColumn(const Values& values, std::size_t index) noexcept : m_values(values), m_index(index) {}

    std::size_t size() const noexcept { return m_values.rows; }
    double operator[](std::size_t row) const noexcept { return m_values.data[row * m_values.width + m_index]; }

private:
    Values m_values;
    std::size_t m_index;
};

// One pass over the object rows firstRow..n, for the columns sums[i], i in `columns`
// (in column order). The rows are cut into chunks; each chunk is read by either
// thread, every line split once and the cells of these columns parsed into the
// chunk's values; then fold(figures, chunkColumn) takes the values of each column in
// row order, chunk after chunk, so a column's figures are those of one thread walking
// its rows (NotANumber marks a cell that is not a number). fold returns false when
// the column needs no further value; once no column does, the pass ends.
template <class Fold>
void runPass(const DataTable& table, int firstRow, std::vector<ColumnSums>& sums,
             const std::vector<std::size_t>& columns, char decimalSeparator, Fold fold)
{
    const int objectCount = table.objectCount();
    if (columns.empty() || firstRow > objectCount)
        return;
    const std::size_t width = columns.size();
    const auto rowCount = static_cast<std::size_t>(objectCount - firstRow + 1);
    const std::size_t rowsPerChunk = statisticsChunkRows(width);

    // Set by the fold when a column needs no more values, read by both readers.
    std::vector<std::atomic<bool>> finished(width);
    std::size_t unfinished = width;
    // A column a chunk reads: its index in the table and its place in a row's values.
    struct Target {
        int column;
        std::size_t place;
    };
    struct Reader {
        explicit Reader(char separator) : parser(separator) {}
        CellParser parser;
        std::vector<Target> targets; // in column order
    };
    std::array<Reader, 2> readers{Reader(decimalSeparator), Reader(decimalSeparator)};
    std::array<std::vector<double>, ChunkSlotCount> values;

    ChunkWork work;
    work.chunkCount = (rowCount + rowsPerChunk - 1) / rowsPerChunk;
    work.read = [&](std::size_t chunk, std::size_t slot, int readerIndex) {
        Reader& reader = readers[static_cast<std::size_t>(readerIndex)];
        reader.targets.clear();
        for (std::size_t i = 0; i < width; ++i) {
            if (!finished[i].load(std::memory_order_relaxed))
                reader.targets.push_back({sums[columns[i]].column, i});
        }
        std::vector<double>& chunkValues = values[slot];
        chunkValues.resize(std::min(rowsPerChunk, rowCount) * width);
        double* rowValues = chunkValues.data();
        const int first = firstRow + static_cast<int>(chunk * rowsPerChunk);
        const int end = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(first) + rowsPerChunk,
                                                               static_cast<std::size_t>(objectCount) + 1));
        const char separator = table.separator();
        for (int row = first; row < end; ++row, rowValues += width) {
            // Each line is split once, up to the last column read; a cell past the
            // line's last field is empty.
            FieldScanner fields(table.line(row), separator);
            std::string_view cell;
            int column = -1;
            bool inLine = true;
            for (const Target& target : reader.targets) {
                while (inLine && column < target.column) {
                    inLine = fields.next(cell);
                    ++column;
                }
                if (!inLine)
                    cell = {};
                double value = 0;
                rowValues[target.place] = reader.parser.parse(cell, value) ? value : NotANumber;
            }
        }
    };
    work.fold = [&](std::size_t chunk, std::size_t slot) {
        const std::size_t rows = std::min(rowsPerChunk, rowCount - chunk * rowsPerChunk);
        const ChunkColumn::Values chunkValues{values[slot].data(), width, rows};
        for (std::size_t i = 0; i < width; ++i) {
            if (finished[i].load(std::memory_order_relaxed))
                continue;
            if (!fold(sums[columns[i]], ChunkColumn(chunkValues, i))) {
                finished[i].store(true, std::memory_order_relaxed);
                --unfinished;
            }
        }
        return unfinished > 0;
    };
    const bool twoThreads = rowCount * width >= ParallelCellCount && std::thread::hardware_concurrency() >= 2;
    runOrderedChunks(work, twoThreads);
}

// First pass over rows 2..n: sum, minimum and maximum. A column that meets a value
// that is not a number stops there and is marked invalid.
void sumColumns(const DataTable& table, std::vector<ColumnSums>& sums, char decimalSeparator)
{
    std::vector<std::size_t> columns(sums.size());
    for (std::size_t i = 0; i < sums.size(); ++i)
        columns[i] = i;
    runPass(table, 2, sums, columns, decimalSeparator, [](ColumnSums& figures, const ChunkColumn& values) {
        double sum = figures.sum;
        double minimum = figures.minimum;
        double maximum = figures.maximum;
        for (std::size_t row = 0; row < values.size(); ++row) {
            const double value = values[row];
            if (std::isnan(value)) {
                figures.valid = false;
                return false;
            }
            sum += value;
            if (value > maximum)
                maximum = value;
            if (value < minimum)
                minimum = value;
        }
        figures.sum = sum;
        figures.minimum = minimum;
        figures.maximum = maximum;
        return true;
    });
}

// Second pass over rows 1..n, for the valid columns whose mean is shown: squared
// deviations from the displayed mean.
void sumSquares(const DataTable& table, std::vector<ColumnSums>& sums, char decimalSeparator)
{
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < sums.size(); ++i) {
        if (sums[i].valid && sums[i].meanShown)
            columns.push_back(i);
    }
    runPass(table, 1, sums, columns, decimalSeparator, [](ColumnSums& figures, const ChunkColumn& values) {
        double squares = figures.squares;
        for (std::size_t row = 0; row < values.size(); ++row) {
            const double value = values[row];
            if (!std::isnan(value)) {
                const double deviation = value - figures.displayedMean;
                squares += deviation * deviation;
            }
        }
        figures.squares = squares;
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
    return measurementCount;
}

} // namespace kvd
