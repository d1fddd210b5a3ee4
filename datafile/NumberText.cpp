#include "datafile/NumberText.h"

#include "common/Errors.h"
#include "datafile/CommonNumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>

namespace kvd {

namespace {

using common_number::isDigit;

// Rewrites `from` to `to` wherever it follows a digit; the first character never.
// Writes into out only when something changes; returns the result.
std::string_view replaceAfterDigits(std::string_view text, char from, char to, std::string& out)
{
    std::size_t i = text.find(from, 1);
    while (i != std::string_view::npos && !isDigit(text[i - 1]))
        i = text.find(from, i + 1);
    if (i == std::string_view::npos)
        return text;
    out.assign(text);
    for (; i < out.size(); ++i) {
        if (out[i] == from && isDigit(out[i - 1]))
            out[i] = to;
    }
    return out;
}

// Where the parts of a number text lie, once its syntax has been checked.
struct NumberSyntax {
    bool negative = false;
    std::string_view integerDigits;
    std::string_view fractionDigits;
    int exponent = 0; // the written exponent, sign included; |exponent| < 5000
};

// Checks the syntax of a number text: blanks (code 32 only) around, an optional sign,
// digits with an optional separator (at least one of them), and an optional exponent
// whose digits are read while it is below 500. False for any other text.
bool scanNumberText(std::string_view text, char separator, NumberSyntax& syntax) noexcept
{
    std::size_t pos = 0;
    const std::size_t size = text.size();
    while (pos < size && text[pos] == ' ')
        ++pos;
    if (pos < size && (text[pos] == '+' || text[pos] == '-')) {
        syntax.negative = text[pos] == '-';
        ++pos;
    }
    std::size_t begin = pos;
    while (pos < size && isDigit(text[pos]))
        ++pos;
    syntax.integerDigits = text.substr(begin, pos - begin);
    bool hasSeparator = false;
    if (pos < size && text[pos] == separator) {
        hasSeparator = true;
        begin = ++pos;
        while (pos < size && isDigit(text[pos]))
            ++pos;
        syntax.fractionDigits = text.substr(begin, pos - begin);
    }
    if (syntax.integerDigits.empty() && !hasSeparator)
        return false;
    if (pos < size && (text[pos] == 'E' || text[pos] == 'e')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < size && (text[pos] == '+' || text[pos] == '-')) {
            negativeExponent = text[pos] == '-';
            ++pos;
        }
        int exponent = 0;
        while (pos < size && isDigit(text[pos]) && exponent < 500)
            exponent = exponent * 10 + (text[pos++] - '0');
        syntax.exponent = negativeExponent ? -exponent : exponent;
    }
    while (pos < size && text[pos] == ' ')
        ++pos;
    return pos == size;
}

using common_number::PowersOfTen;
constexpr int MaxExactPowerOfTen = common_number::MaxPowerOfTen;
constexpr int MaxExactDigits = common_number::MaxDigits;

// The value when its significant digits fit in 64 bits and its power of ten is exact:
// one multiplication or division of exact operands, so the result is correctly
// rounded. False when the slow path is needed.
bool fastValue(const NumberSyntax& syntax, long double& value) noexcept
{
    std::uint64_t mantissa = 0;
    int digitCount = 0;
    std::int64_t exponent = syntax.exponent;
    for (const char c : syntax.integerDigits) {
        const int digit = c - '0';
        if (mantissa == 0 && digit == 0)
            continue;
        if (digitCount == MaxExactDigits) {
            if (digit != 0)
                return false;
            ++exponent;
            continue;
        }
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(digit);
        ++digitCount;
    }
    for (const char c : syntax.fractionDigits) {
        const int digit = c - '0';
        if (digitCount == MaxExactDigits) {
            if (digit != 0)
                return false;
            continue;
        }
        --exponent;
        if (mantissa == 0 && digit == 0)
            continue;
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(digit);
        ++digitCount;
    }
    if (mantissa == 0) {
        value = syntax.negative ? -0.0L : 0.0L;
        return true;
    }
    // Spare digits absorb a power of ten that is too large on its own: 5E30 = 5000 * 1E27.
    while (exponent > MaxExactPowerOfTen && digitCount < MaxExactDigits) {
        mantissa *= 10;
        ++digitCount;
        --exponent;
    }
    if (exponent < -MaxExactPowerOfTen || exponent > MaxExactPowerOfTen)
        return false;
    const auto significand = static_cast<long double>(mantissa);
    value = exponent >= 0 ? significand * PowersOfTen[exponent] : significand / PowersOfTen[-exponent];
    if (syntax.negative)
        value = -value;
    return true;
}

locale_t cLocale() noexcept
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

// Deciding the correct rounding of a decimal text to the 64-bit mantissa never needs
// more significant digits than this (the exact decimal value of a long double halfway
// point has fewer); digits beyond it only matter as "some non-zero digit follows".
constexpr std::size_t MaxSignificantDigits = 11600;

// The value of any number text, through the C library's correctly rounded conversion
// of a canonical form: sign, significant digits (the last one a sticky 1 when non-zero
// digits were cut), "e" and the decimal exponent.
[[gnu::noinline]] bool slowValue(const NumberSyntax& syntax, long double& value) noexcept
{
    char buffer[MaxSignificantDigits + 48];
    std::size_t length = 0;
    if (syntax.negative)
        buffer[length++] = '-';
    const std::size_t digitsBegin = length;
    std::int64_t exponent = syntax.exponent;
    bool cutNonZero = false;
    // The value is digits * 10^exponent: a fraction digit written lowers the
    // exponent, an integer digit cut raises it.
    auto append = [&](char c, bool fraction) {
        const bool leadingZero = c == '0' && length == digitsBegin;
        if (leadingZero || length - digitsBegin < MaxSignificantDigits) {
            if (!leadingZero)
                buffer[length++] = c;
            if (fraction)
                --exponent;
        } else {
            cutNonZero = cutNonZero || c != '0';
            if (!fraction)
                ++exponent;
        }
    };
    for (const char c : syntax.integerDigits)
        append(c, false);
    for (const char c : syntax.fractionDigits)
        append(c, true);
    if (length == digitsBegin) {
        value = syntax.negative ? -0.0L : 0.0L;
        return true;
    }
    if (cutNonZero) {
        buffer[length++] = '1';
        --exponent;
    }
    buffer[length++] = 'e';
    const auto written = std::to_chars(buffer + length, buffer + sizeof buffer - 1, exponent);
    *written.ptr = '\0';
    value = strtold_l(buffer, nullptr, cLocale());
    return std::isfinite(value);
}

[[noreturn]] void throwConversionError(std::string_view text)
{
    throw ConversionError("'" + std::string(text) + "' n'est pas une valeur en virgule flottante correcte");
}

// The decimal digits of a positive finite value, rounded as the fixed-point text wants.
struct KeptDigits {
    char digits[8] = {};
    int count = 0;        // kept significant digits, 0 for zero
    int integerDigits = 0; // N: digits before the decimal point, <= 0 below 1
};

// Keeps min(N + 2, 6) significant digits of the 18-digit decimal expansion of x,
// rounding half away from zero.
KeptDigits keepDigits(double x)
{
    char expansion[40];
    const auto written = std::to_chars(expansion, expansion + sizeof expansion, x, std::chars_format::scientific, 17);
    // "d.ddddddddddddddddde[+-]xx": 18 significant digits.
    char digits[18];
    digits[0] = expansion[0];
    std::memcpy(digits + 1, expansion + 2, 17);
    const char* exponentText = expansion + 20;
    if (*exponentText == '+')
        ++exponentText;
    int decimalExponent = 0;
    std::from_chars(exponentText, written.ptr, decimalExponent);

    KeptDigits kept;
    kept.integerDigits = decimalExponent + 1;
    const int keep = std::min(kept.integerDigits + 2, 6);
    if (keep < 0)
        return KeptDigits{};
    std::memcpy(kept.digits, digits, static_cast<std::size_t>(keep));
    kept.count = keep;
    if (digits[keep] >= '5') {
        int i = keep - 1;
        while (i >= 0 && kept.digits[i] == '9')
            kept.digits[i--] = '0';
        if (i >= 0) {
            ++kept.digits[i];
        } else { // the carry adds a digit in front: 999.996 -> 1000.00
            std::memmove(kept.digits + 1, kept.digits, static_cast<std::size_t>(keep));
            kept.digits[0] = '1';
            ++kept.count;
            ++kept.integerDigits;
        }
    }
    while (kept.count > 0 && kept.digits[kept.count - 1] == '0')
        --kept.count;
    if (kept.count == 0)
        return KeptDigits{};
    return kept;
}

} // namespace

char userDecimalSeparator()
{
    return decimalSeparatorOf("").value_or('.');
}

std::optional<char> decimalSeparatorOf(const char* name)
{
    const locale_t locale = newlocale(LC_NUMERIC_MASK, name, locale_t(nullptr));
    if (locale == locale_t(nullptr))
        return std::nullopt;
    const char* point = nl_langinfo_l(RADIXCHAR, locale);
    const char separator = point && point[0] != '\0' && point[1] == '\0' ? point[0] : '.';
    freelocale(locale);
    return separator;
}

std::string LocaleToPoint(std::string_view text, char decimalSeparator)
{
    if (decimalSeparator == '.')
        return std::string(text);
    std::string out;
    return std::string(replaceAfterDigits(text, decimalSeparator, '.', out));
}

std::string_view PointToLocale(std::string_view text, char decimalSeparator, std::string& buffer)
{
    if (decimalSeparator == '.')
        return text;
    return replaceAfterDigits(text, '.', decimalSeparator, buffer);
}

std::string PointToLocale(std::string_view text, char decimalSeparator)
{
    std::string buffer;
    return std::string(PointToLocale(text, decimalSeparator, buffer));
}

bool tryParseNumberText(std::string_view text, char decimalSeparator, long double& value) noexcept
{
    NumberSyntax syntax;
    if (!scanNumberText(text, decimalSeparator, syntax))
        return false;
    if (fastValue(syntax, value))
        return true;
    return slowValue(syntax, value);
}

bool tryParseNumberAsDouble(std::string_view text, char decimalSeparator, double& value) noexcept
{
    if (tryParseCommonNumber(text, decimalSeparator, false, value))
        return true;
    // Blanks, more than 19 digits, a large power of ten, or a text that is not a number.
    long double extended = 0;
    if (!tryParseNumberText(text, decimalSeparator, extended))
        return false;
    value = static_cast<double>(extended);
    return true;
}

long double parseNumberText(std::string_view text, char decimalSeparator)
{
    long double value = 0;
    if (!tryParseNumberText(text, decimalSeparator, value))
        throwConversionError(text);
    return value;
}

bool isNumberText(std::string_view text, char decimalSeparator) noexcept
{
    long double value = 0;
    return tryParseNumberText(text, decimalSeparator, value);
}

std::string formatFixed(double x, char decimalSeparator)
{
    if (std::isnan(x))
        return "n/a";
    if (std::isinf(x))
        return x < 0 ? "-INF" : "INF";
    const KeptDigits kept = x == 0 ? KeptDigits{} : keepDigits(std::fabs(x));
    if (kept.count == 0)
        return std::string("0") + decimalSeparator + "00";

    auto digitAt = [&](int index) { return index >= 0 && index < kept.count ? kept.digits[index] : '0'; };
    const int n = kept.integerDigits;
    std::string text;
    if (x < 0)
        text += '-';
    if (n > 6) {
        text += kept.digits[0];
        if (kept.count > 1) {
            text += decimalSeparator;
            text.append(kept.digits + 1, static_cast<std::size_t>(kept.count - 1));
        }
        const std::string exponent = std::to_string(n - 1);
        text += 'E';
        if (exponent.size() < 2)
            text += '0';
        text += exponent;
        return text;
    }
    if (n <= 0)
        text += '0';
    for (int i = 0; i < n; ++i)
        text += digitAt(i);
    text += decimalSeparator;
    text += digitAt(n);
    text += digitAt(n + 1);
    return text;
}

} // namespace kvd
