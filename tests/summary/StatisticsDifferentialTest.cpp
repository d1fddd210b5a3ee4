// The fast paths of the statistics (one-pass number reading, the shared field
// splitter, two threads) against a plain reference written here: the number text rule
// read character by character and converted by strtold, and the two passes over the
// table's cells as the grid's rules state them. Generated values mix random, edge and
// invalid texts; results must agree bit for bit, under "." and ",".

#include "summary/MeasurementStatistics.h"

#include "TableBuilder.h"
#include "datafile/NumberText.h"
#include "summary/MeasurementValue.h"
#include "summary/StatisticsTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace kvd {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The number text rule, plainly: blanks, sign, digits, separator, digits, exponent
// read while below 500, blanks; the value rounded to extended precision by strtold,
// then to double. None for a text that is not a number or lies beyond a double.
std::optional<double> referenceValue(std::string_view text, char separator)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    std::string canonical;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        canonical += text[i++];
    bool digits = false;
    bool point = false;
    while (i < n && isDigit(text[i])) {
        canonical += text[i++];
        digits = true;
    }
    if (i < n && text[i] == separator) {
        point = true;
        canonical += '.';
        ++i;
        while (i < n && isDigit(text[i])) {
            canonical += text[i++];
            digits = true;
        }
    }
    if (!digits && !point)
        return std::nullopt;
    if (!digits)
        canonical = (canonical[0] == '-' ? "-" : "") + std::string("0");
    long exponent = 0;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negative = false;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            negative = text[i++] == '-';
        while (i < n && isDigit(text[i]) && exponent < 500)
            exponent = exponent * 10 + (text[i++] - '0');
        if (negative)
            exponent = -exponent;
    }
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n)
        return std::nullopt;
    canonical += "e" + std::to_string(exponent);
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const long double extended = strtold_l(canonical.c_str(), nullptr, c);
    const auto value = static_cast<double>(extended);
    if (!std::isfinite(extended) || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "." after a digit becomes the separator, written plainly.
std::string referencePointToLocale(std::string text, char separator)
{
    for (std::size_t i = text.size(); i-- > 1;) {
        if (text[i] == '.' && isDigit(text[i - 1]))
            text[i] = separator;
    }
    return text;
}

// Number texts of every shape: long and short mantissas, exponents near and far,
// texts just off the midpoint between two doubles, blanks, and texts that are not
// numbers at all. Written with `point` as decimal separator.
class NumberTexts {
public:
    explicit NumberTexts(unsigned seed) : m_random(seed) {}

    std::string next(char point)
    {
        switch (pick(12)) {
        case 0: return nearMidpoint(point);
        case 1: return invalid(point);
        case 2: return edge(point);
        case 3: return twiceRounded(point);
        case 4: return shortWithExponent(point);
        default: return random(point);
        }
    }

    // A valid text of the kind measurement columns hold.
    std::string plain(char point)
    {
        std::string text = pick(4) == 0 ? "-" : "";
        text += digits(1 + pick(6));
        if (pick(4) != 0)
            text += point + digits(1 + pick(6));
        if (pick(10) == 0)
            text += "e" + std::to_string(static_cast<int>(pick(20)) - 10);
        return text;
    }

private:
    unsigned pick(unsigned count) { return std::uniform_int_distribution<unsigned>(0, count - 1)(m_random); }
    std::string digits(unsigned count)
    {
        std::string text;
        for (unsigned i = 0; i < count; ++i)
            text += static_cast<char>('0' + pick(10));
        return text;
    }

    std::string random(char point)
    {
        static const char* const Signs[] = {"", "", "-", "+"};
        std::string text = Signs[pick(4)];
        text += digits(pick(23));
        if (pick(3) != 0)
            text += point + digits(pick(23));
        if (text.empty() || text == "-" || text == "+")
            text += "0";
        if (pick(3) == 0) {
            static const char* const Exponents[] = {"e", "E", "e+", "e-", "E-"};
            text += Exponents[pick(5)] + digits(pick(4));
        }
        if (pick(20) == 0)
            text = " " + text + "  ";
        return text;
    }

    // 19 and 25 significant digits of a value that lies within a hair of the midpoint
    // between two neighbouring doubles: where rounding twice and once part ways.
    std::string nearMidpoint(char point)
    {
        const double low = std::ldexp(1.0 + static_cast<double>(pick(1u << 30)) / (1u << 30), static_cast<int>(pick(120)) - 60);
        const long double middle = (static_cast<long double>(low) + std::nextafter(low, 2 * low)) / 2;
        char text[96];
        std::snprintf(text, sizeof text, pick(2) ? "%.18Le" : "%.24Le", middle);
        std::string result = text;
        for (char& c : result) {
            if (c == '.')
                c = point;
        }
        return result;
    }

    // Short mantissas whose quotient or product by a power of ten, rounded to extended
    // precision, lands exactly halfway between two doubles: rounded once instead of
    // twice, each would come out one unit off.
    std::string twiceRounded(char point)
    {
        const std::string p(1, point);
        const std::string texts[] = {"0" + p + "00000982", "0" + p + "00040501", "9282e-11", "4660" + p + "462446",
                                     "-98301e-14", "8516352e-19", "91074156879e12", "57963336e18",
                                     "8055682E+19", "3311332953e14", "-1128681783761728e9", "979829e-10"};
        return texts[pick(std::size(texts))];
    }

    // Up to 16 significant digits (most below 2^53) with a power of ten from -22 to 22.
    std::string shortWithExponent(char point)
    {
        std::string text = pick(2) ? "-" : "";
        text += digits(1 + pick(8));
        if (pick(2) != 0)
            text += point + digits(1 + pick(8));
        return text + "e" + std::to_string(static_cast<int>(pick(45)) - 22);
    }

    std::string edge(char point)
    {
        const std::string p(1, point);
        const std::string edges[] = {"0", "-0", p, "-" + p, "5" + p, p + "5", "1e", "1E+", "1e0999", "1e5000",
                                     "1e4999", "9" + p + "99999999999999999999e307", "1e-400", "1e308", "2e308",
                                     "0000000000000000000000001", "123456789012345678901234567890",
                                     "9007199254740993", "18446744073709551617", "4" + p + "35", "0" + p + "1e27",
                                     "1e28", "1e-27", "1e-28", "1" + p + "7976931348623157e308"};
        return edges[pick(std::size(edges))];
    }

    std::string invalid(char point)
    {
        const std::string p(1, point);
        const std::string texts[] = {"", " ", "e5", "1" + p + "2" + p + "3", "7-", "\t7", "7\t", "--1", "INF", "nan",
                                     "0x10", "1 000", "+", "1e5e5", "1" + p + "5x", "-" + p + "e1"};
        return texts[pick(std::size(texts))];
    }

    std::mt19937 m_random;
};

TEST(StatisticsDifferential, numberValuesAgreeBitForBitWithThePlainRule)
{
    NumberTexts texts(20240611);
    for (const char separator : {'.', ','}) {
        for (int i = 0; i < 200000; ++i) {
            const std::string text = texts.next(separator);
            const std::optional<double> expected = referenceValue(text, separator);
            double value = 0;
            const bool parsed = tryParseNumberAsDouble(text, separator, value) && std::isfinite(value);
            ASSERT_EQ(parsed, expected.has_value()) << "'" << text << "' under " << separator;
            if (parsed) {
                ASSERT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(*expected))
                    << "'" << text << "' under " << separator;
            }
        }
    }
}

using Row = std::vector<std::string>;

// The exact standard error of doubles, in integers: every double is m * 2^e with
// integer m and e >= -1074, so the sums below are integers in units of 2^-1074 (the
// values) and 2^-2148 (their squares).

// A non-negative integer in base 2^32, least significant digit first.
using Natural = std::vector<std::uint32_t>;

// a += value * 2^shift, for value < 2^128
void addShifted(Natural& a, unsigned __int128 value, int shift)
{
    const auto first = static_cast<std::size_t>(shift / 32);
    const int bits = shift % 32;
    if (a.size() < first + 6)
        a.resize(first + 6, 0);
    std::uint64_t carry = 0;
    for (std::size_t digit = first; value != 0 || carry != 0; ++digit, value >>= 32) {
        if (digit == a.size())
            a.push_back(0);
        const std::uint64_t piece = std::uint64_t{static_cast<std::uint32_t>(value)} << bits;
        const std::uint64_t total = std::uint64_t{a[digit]} + (piece & 0xFFFFFFFFu) + carry;
        a[digit] = static_cast<std::uint32_t>(total);
        carry = (total >> 32) + (piece >> 32);
    }
}

void trim(Natural& a)
{
    while (!a.empty() && a.back() == 0)
        a.pop_back();
}

bool less(Natural a, Natural b)
{
    trim(a);
    trim(b);
    if (a.size() != b.size())
        return a.size() < b.size();
    return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
}

// a - b, for a >= b
Natural minus(Natural a, const Natural& b)
{
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::int64_t digit = std::int64_t{a[i]} - borrow - (i < b.size() ? std::int64_t{b[i]} : 0);
        borrow = digit < 0;
        a[i] = static_cast<std::uint32_t>(digit + (borrow << 32));
    }
    trim(a);
    return a;
}

Natural times(const Natural& a, const Natural& b)
{
    Natural product(a.size() + b.size() + 1, 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < b.size(); ++j) {
            const std::uint64_t total = std::uint64_t{a[i]} * b[j] + product[i + j] + carry;
            product[i + j] = static_cast<std::uint32_t>(total);
            carry = total >> 32;
        }
        for (std::size_t k = i + b.size(); carry != 0; ++k) {
            const std::uint64_t total = std::uint64_t{product[k]} + carry;
            product[k] = static_cast<std::uint32_t>(total);
            carry = total >> 32;
        }
    }
    trim(product);
    return product;
}

// a * 2^exponent, to about 1e-18 relative.
long double approximate(Natural a, int exponent)
{
    trim(a);
    long double value = 0;
    const std::size_t low = a.size() > 3 ? a.size() - 3 : 0;
    for (std::size_t i = a.size(); i-- > low;)
        value = value * 4294967296.0L + a[i];
    return std::ldexp(value, exponent + static_cast<int>(32 * low));
}

// The exact sums of a column's values.
class ExactSums {
public:
    void add(double x)
    {
        int e = 0;
        const double fraction = std::frexp(x, &e); // x = fraction * 2^e, 0.5 <= |fraction| < 1
        // Below the smallest normal, the low bits of m are zero and e is smaller:
        // m * 2^(e - 53) still equals x, with e - 53 >= -1074 - 52.
        const auto m = static_cast<std::int64_t>(std::ldexp(fraction, 53));
        const int shift = e - 53 + 1074 + 52; // >= 0
        const auto magnitude = static_cast<unsigned __int128>(m < 0 ? -m : m);
        addShifted(m < 0 ? m_negative : m_positive, magnitude, shift);
        addShifted(m_squares, magnitude * magnitude, 2 * shift);
        ++m_count;
    }

    // The sum of squared deviations from the exact mean, and the standard error.
    long double deviationSquares() const { return approximate(numerator(), -2 * Scale) / m_count; }
    long double standardError() const
    {
        return std::sqrt(approximate(numerator(), -2 * Scale) / (static_cast<long double>(m_count) * m_count * (m_count - 1)));
    }

private:
    static constexpr int Scale = 1074 + 52;

    // n * (sum of squares) - (sum)^2: n times the squared deviations, >= 0.
    Natural numerator() const
    {
        const bool negativeSum = less(m_positive, m_negative);
        const Natural sum = negativeSum ? minus(m_negative, m_positive) : minus(m_positive, m_negative);
        return minus(times(m_squares, Natural{static_cast<std::uint32_t>(m_count)}), times(sum, sum));
    }

    Natural m_positive;
    Natural m_negative;
    Natural m_squares;
    long long m_count = 0;
};

// Mean, standard error (around the exact mean), minimum and maximum of a column
// whose values are all numbers. The reference's standard error is the exact one,
// rounded, or infinity where the squared deviations exceed the range of a double.
using Figures = std::array<double, 4>;

struct Statistics {
    int measurementCount = 0;
    std::vector<Row> rows; // below the heading
    std::vector<std::string> warnings;
    std::vector<Figures> figures; // of the valid columns, in order
};

bool sameBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A standard error within 1e-10 of the exact one; none (NaN or infinite) where the
// squares exceed a double.
bool closeToExact(double actual, double exact)
{
    if (std::isinf(exact))
        return !std::isfinite(actual);
    return sameBits(actual, exact) || std::fabs(actual - exact) <= 1e-10 * exact;
}

// Mean, minimum and maximum equal bit for bit (any NaN equal to any other), the
// standard error close to the exact one.
testing::AssertionResult agree(const std::vector<Figures>& actual, const std::vector<Figures>& expected)
{
    if (actual.size() != expected.size())
        return testing::AssertionFailure() << actual.size() << " columns against " << expected.size();
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (!sameBits(actual[i][0], expected[i][0]) || !closeToExact(actual[i][1], expected[i][1])
            || !sameBits(actual[i][2], expected[i][2]) || !sameBits(actual[i][3], expected[i][3])) {
            auto failure = testing::AssertionFailure() << "valid column " << i << ":";
            for (std::size_t j = 0; j < actual[i].size(); ++j)
                failure << " " << actual[i][j] << " against " << expected[i][j] << ";";
            return failure;
        }
    }
    return testing::AssertionSuccess();
}

double exactStandardError(const ExactSums& sums)
{
    if (sums.deviationSquares() > std::numeric_limits<double>::max())
        return INFINITY;
    return static_cast<double>(sums.standardError());
}

std::string shown(double value, char separator) { return LocaleToPoint(formatFixed(value, separator), separator); }

// The two passes of the KVD kinds over the table's cells, column after column.
Statistics referenceStatistics(const DataTable& table, char separator)
{
    Statistics result;
    const int n = table.objectCount();
    auto parse = [&](int row, int column) {
        return referenceValue(referencePointToLocale(std::string(table.cell(row, column)), separator), separator);
    };
    for (int column = 2; column < table.columnCount(); ++column) {
        if (n < 1 || !parse(1, column))
            continue;
        ++result.measurementCount;
        Row row = {std::string(table.cell(0, column)), "", "", "", ""};
        double sum = *parse(1, column);
        double minimum = sum;
        double maximum = sum;
        bool valid = true;
        for (int r = 2; r <= n && valid; ++r) {
            const std::optional<double> value = parse(r, column);
            valid = value.has_value();
            if (!valid)
                break;
            sum += *value;
            if (*value > maximum)
                maximum = *value;
            if (*value < minimum)
                minimum = *value;
        }
        if (!valid) {
            result.warnings.push_back("WARNING: \"" + row[0] + "\" contains invalid value(s)");
            result.rows.push_back(row);
            continue;
        }
        const double mean = sum / n;
        std::optional<double> displayed;
        if (std::isfinite(mean)) {
            row[1] = shown(mean, separator);
            displayed = referenceValue(referencePointToLocale(row[1], separator), separator);
        } else {
            row[1] = "n/a";
        }
        row[3] = shown(minimum, separator);
        row[4] = shown(maximum, separator);
        double squares = 0;
        ExactSums exact;
        for (int r = 1; r <= n && displayed; ++r) {
            const double deviation = *parse(r, column) - *displayed;
            squares += deviation * deviation;
            exact.add(*parse(r, column));
        }
        const double standardError
            = n > 1 && displayed ? std::sqrt(squares / (n - 1)) / std::sqrt(static_cast<double>(n)) : NAN;
        row[2] = std::isfinite(standardError) ? shown(standardError, separator) : "n/a";
        result.rows.push_back(row);
        const double exactError = n > 1 && displayed ? exactStandardError(exact) : NAN;
        result.figures.push_back({mean, exactError, minimum, maximum});
    }
    return result;
}

Statistics programStatistics(const DataTable& table, char separator)
{
    Statistics result;
    StatisticsTable grid;
    std::vector<MeasurementFigures> figures;
    result.measurementCount = fillStatistics(
        table, FileKind::Kvd, separator, grid, [&](const std::string& warning) { result.warnings.push_back(warning); },
        &figures);
    for (const MeasurementFigures& column : figures) {
        if (column.state == MeasurementFigures::State::Computed)
            result.figures.push_back({column.mean, column.standardError, column.minimum, column.maximum});
    }
    for (int row = 1; row < grid.rowCount(); ++row) {
        Row cells;
        for (int column = 0; column < StatisticsTable::ColumnCount; ++column)
            cells.push_back(grid.cell(row, column));
        result.rows.push_back(cells);
    }
    return result;
}

// The column-name line of a table with `measurements` measurement columns M0, M1, ...
std::string columnNames(int measurements)
{
    std::string line = "Object;Source";
    for (int column = 0; column < measurements; ++column)
        line += ";M" + std::to_string(column);
    return line;
}

// Columns of plain values, of mixed shapes, of values that turn invalid somewhere,
// and with a first value that is not a number; cells written with "." (and "," in a
// few, which only a "," locale reads).
TEST(StatisticsDifferential, gridAndWarningsAgreeWithThePlainTwoPasses)
{
    constexpr int Objects = 20000; // 240,000 measurement cells: the two-thread road
    constexpr int Measurements = 12;
    NumberTexts texts(7);
    std::mt19937 random(11);
    std::vector<std::string> lines = {columnNames(Measurements)};
    for (int row = 1; row <= Objects; ++row) {
        std::string line = std::to_string(row) + ";src";
        for (int column = 0; column < Measurements; ++column) {
            std::string cell;
            switch (column % 4) {
            case 0: cell = texts.plain('.'); break;
            case 1: cell = row % 97 == 0 ? texts.next('.') : texts.plain('.'); break;
            case 2: cell = random() % 5000 == 0 ? texts.next(',') : texts.plain('.'); break;
            default: cell = row == 1 && column == 11 ? "text" : texts.plain(random() % 2 ? '.' : ','); break;
            }
            line += ";" + cell;
        }
        lines.push_back(line);
    }
    const DataTable table = test::makeTable(lines);
    for (const char separator : {'.', ','}) {
        const Statistics expected = referenceStatistics(table, separator);
        const Statistics actual = programStatistics(table, separator);
        EXPECT_EQ(actual.measurementCount, expected.measurementCount) << "under " << separator;
        EXPECT_EQ(actual.rows, expected.rows) << "under " << separator;
        EXPECT_EQ(actual.warnings, expected.warnings) << "under " << separator;
        EXPECT_TRUE(agree(actual.figures, expected.figures)) << "under " << separator;
        EXPECT_FALSE(expected.warnings.empty()) << "the table should make some columns invalid";
    }
}

// Large enough for two threads and many chunks of rows. Values of far apart
// magnitudes make every sum depend on its order; columns turn invalid on the first
// and on the last row of a chunk, in different chunks, on the very first and last
// rows, and by a line that ends before its last field.
TEST(StatisticsDifferential, chunkedPassesKeepRowOrderAndStopEachColumnAtItsFirstInvalidCell)
{
    constexpr int Measurements = 24;
    const int chunk = static_cast<int>(statisticsChunkRows(Measurements));
    const int Objects = std::max(10000, 16 * chunk); // 240,000 measurement cells at least: two threads
    // Pass 1 reads rows 2..n, so its chunk k begins on row 2 + k * chunk.
    const std::map<int, int> invalidRow = {{3, 2 + 3 * chunk},      {4, 1 + 3 * chunk}, {5, 2 + 11 * chunk},
                                           {6, 2},                  {7, Objects},       {9, 1 + 13 * chunk},
                                           {Measurements - 1, 2 + 5 * chunk}};
    std::mt19937 random(3);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::vector<std::string> lines = {columnNames(Measurements)};
    for (int row = 1; row <= Objects; ++row) {
        std::string line = std::to_string(row) + ";src";
        for (int column = 0; column < Measurements; ++column) {
            const auto invalid = invalidRow.find(column);
            const bool bad = invalid != invalidRow.end() && invalid->second == row;
            if (bad && column == Measurements - 1)
                break;
            char cell[40];
            std::snprintf(cell, sizeof cell, "%.*g", 1 + static_cast<int>(random() % 17),
                          mantissa(random) * std::pow(10.0, static_cast<int>(random() % 25) - 12));
            line += ";" + (bad ? std::string(row % 2 ? "x" : "") : std::string(cell));
        }
        lines.push_back(line);
    }
    const DataTable table = test::makeTable(lines);
    const Statistics expected = referenceStatistics(table, '.');
    const Statistics actual = programStatistics(table, '.');
    ASSERT_EQ(expected.warnings.size(), invalidRow.size());
    EXPECT_EQ(actual.measurementCount, expected.measurementCount);
    EXPECT_EQ(actual.rows, expected.rows);
    EXPECT_EQ(actual.warnings, expected.warnings);
    EXPECT_TRUE(agree(actual.figures, expected.figures));
}

// Values far from zero that differ in their last few bits, the case where summing
// squares around a rounded mean loses every digit: offsets up to 1e12 of either
// sign, spreads from one unit in the last place to a thousandth of the offset, 2 to
// 300 objects. The standard error of the figures must be within 1e-10 of the exact
// one of the values read; a column of one value repeated has exactly none.
TEST(StatisticsDifferential, standardErrorIsExactForLargeOffsetsAndTinySpreads)
{
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> unit(0, 1);
    constexpr int Measurements = 8;
    for (int table = 0; table < 40; ++table) {
        const int objects = 2 + static_cast<int>(random() % 299);
        std::vector<std::vector<double>> values(Measurements);
        for (int column = 0; column < Measurements; ++column) {
            const double offset = (random() % 2 ? -1 : 1) * std::pow(10.0, 12 * unit(random));
            const double lastPlace = std::nextafter(std::fabs(offset), INFINITY) - std::fabs(offset);
            const double spread = lastPlace * std::pow(10.0, column == 0 ? 0 : 9 * unit(random));
            const auto steps = static_cast<std::int64_t>(1 + random() % 5);
            for (int row = 0; row < objects; ++row) {
                const auto step = static_cast<double>(static_cast<std::int64_t>(random() % (2 * steps + 1)) - steps);
                values[column].push_back(column == 1 ? offset : offset + spread * step);
            }
        }
        std::vector<std::string> lines = {columnNames(Measurements)};
        for (int row = 0; row < objects; ++row) {
            std::string line = std::to_string(row) + ";src";
            for (int column = 0; column < Measurements; ++column) {
                char cell[40];
                std::snprintf(cell, sizeof cell, "%.17g", values[column][static_cast<std::size_t>(row)]);
                line += ";" + std::string(cell);
            }
            lines.push_back(line);
        }
        const DataTable data = test::makeTable(lines);
        StatisticsTable grid;
        std::vector<MeasurementFigures> figures;
        ASSERT_EQ(fillStatistics(data, FileKind::Kvd, '.', grid, nullptr, &figures), Measurements);
        for (int column = 0; column < Measurements; ++column) {
            ExactSums exact;
            for (int row = 1; row <= objects; ++row) {
                double value = 0;
                ASSERT_TRUE(measurementValue(data.cell(row, column + 2), '.', value));
                exact.add(value);
            }
            const double expected = exactStandardError(exact);
            const double actual = figures[static_cast<std::size_t>(column)].standardError;
            EXPECT_TRUE(closeToExact(actual, expected))
                << "table " << table << " column " << column << ": " << actual << " against " << expected;
            if (column == 1) {
                EXPECT_EQ(actual, 0.0) << "table " << table;
            }
        }
    }
}

} // namespace
} // namespace kvd
