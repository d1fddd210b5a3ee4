#include "summary/MeasurementStatistics.h"

#include "datafile/DataTable.h"
#include "datafile/NumberText.h"
#include "summary/StatisticsTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace kvd {

namespace {

enum StatisticsColumn { NameColumn, MeanColumn, StdErrColumn, MinColumn, MaxColumn };
constexpr int NameColumnWidth = 140;
const std::string NotAvailable = "n/a";

// Reads cells as numbers the way the grid shows them: "." after a digit becomes the
// locale separator, the text is parsed in extended precision and kept as a double.
// Allocates only for cells longer than its stack buffer, and then reuses the buffer.
class CellParser {
public:
    explicit CellParser(char decimalSeparator) : m_separator(decimalSeparator) {}

    // False for a text that is not a number text, and for a number beyond the range
    // of a double (it could not take part in the sums).
    bool parse(std::string_view cell, double& value)
    {
        long double extended = 0;
        if (!tryParseNumberText(localised(cell), m_separator, extended))
            return false;
        value = static_cast<double>(extended);
        return std::isfinite(value);
    }

private:
    std::string_view localised(std::string_view cell)
    {
        if (m_separator == '.' || cell.find('.') == std::string_view::npos)
            return cell;
        char* out = m_stack;
        if (cell.size() > sizeof m_stack) {
            m_heap.resize(cell.size());
            out = m_heap.data();
        }
        std::memcpy(out, cell.data(), cell.size());
        for (std::size_t i = 1; i < cell.size(); ++i) {
            if (out[i] == '.' && out[i - 1] >= '0' && out[i - 1] <= '9')
                out[i] = m_separator;
        }
        return std::string_view(out, cell.size());
    }

    char m_separator;
    char m_stack[64];
    std::string m_heap;
};

// Calls visit(columnIndex, cell) for columns 0..lastColumn of a line, in order, with
// the cells DataTable::cell would give (empty past the line's last field). Stops
// early when visit returns false.
template <class Visit>
void forEachCell(std::string_view line, char separator, int lastColumn, Visit&& visit)
{
    int column = 0;
    const char* position = line.data();
    const char* const end = line.data() + line.size();
    while (column <= lastColumn && position < end) {
        const void* found = std::memchr(position, separator, static_cast<std::size_t>(end - position));
        const char* fieldEnd = found ? static_cast<const char*>(found) : end;
        if (!visit(column, std::string_view(position, static_cast<std::size_t>(fieldEnd - position))))
            return;
        ++column;
        position = fieldEnd + 1;
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
void sumColumns(const DataTable& table, std::vector<ColumnSums>& sums, CellParser& parser)
{
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
void sumSquares(const DataTable& table, std::vector<ColumnSums>& sums, CellParser& parser)
{
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
    std::string_view headings = "Name,Mean,Std_Err,Min,Max";
    for (int column = 0; column < StatisticsTable::ColumnCount; ++column) {
        const std::size_t comma = headings.find(',');
        statistics.setCell(0, column, std::string(headings.substr(0, comma)));
        headings.remove_prefix(comma == std::string_view::npos ? headings.size() : comma + 1);
    }
    statistics.setColumnWidth(NameColumn, NameColumnWidth);
}

} // namespace

int fillStatistics(const DataTable& table, FileKind kind, char decimalSeparator, StatisticsTable& statistics,
                   const WarningSink& warning, std::vector<MeasurementFigures>* figures)
{
    const int columnCount = table.columnCount();
    const int objectCount = table.objectCount();
    const bool wumKind = isWumKind(kind);
    const int firstCandidate = wumKind ? 1 : 2;
    CellParser parser(decimalSeparator);

    // The trial conversion of each candidate's first object value.
    std::vector<bool> accepted(static_cast<std::size_t>(columnCount), false);
    if (objectCount >= 1 && firstCandidate < columnCount) {
        forEachCell(table.line(1), table.separator(), columnCount - 1, [&](int column, std::string_view cell) {
            double value = 0;
            accepted[static_cast<std::size_t>(column)] = column >= firstCandidate && parser.parse(cell, value);
            return true;
        });
    }

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

    sumColumns(table, sums, parser);
    for (ColumnSums& sum : sums) {
        if (!sum.valid) {
            if (warning)
                warning("WARNING: \"" + std::string(table.cell(0, sum.column)) + "\" contains invalid value(s)");
            continue;
        }
        writeMeanMinMax(sum, objectCount, decimalSeparator, parser, statistics);
    }
    sumSquares(table, sums, parser);
    for (const ColumnSums& sum : sums) {
        if (sum.valid)
            writeStandardError(sum, objectCount, decimalSeparator, statistics);
    }
    if (figures)
        collectFigures(sums, accepted, firstCandidate, wumKind, objectCount, *figures);
    return measurementCount;
}

} // namespace kvd
