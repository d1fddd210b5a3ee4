#pragma once

#include <cstdint>
#include <string_view>

namespace kvd {

// The value of a common number text, read in one pass and inline: the statistics
// read every measurement of a file through it, twice.
//
// A common text is an optional sign, at most 19 digits with at most one separator
// among them, and an optional exponent, the power of ten of the whole being within
// 27; no blanks. Its value is, bit for bit, what the general conversion gives: the
// significant digits as a 64-bit integer, one multiplication or division by an exact
// power of ten in extended precision, then rounded to a double.

namespace common_number {

constexpr int MaxDigits = 19;       // any 19-digit integer fits in 64 bits
constexpr int MaxPowerOfTen = 27;   // 10^27 is exact in extended precision

// 10^0 .. 10^27, every one exact in the 64-bit mantissa of long double.
inline constexpr long double PowersOfTen[MaxPowerOfTen + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L,
};

inline bool isDigit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }

} // namespace common_number

// mantissa * 10^exponent (|exponent| <= 27) computed in extended precision: exact
// operands and one rounding, so the result is the correctly rounded long double.
inline long double extendedPrecisionProduct(std::uint64_t mantissa, int exponent) noexcept
{
    using common_number::PowersOfTen;
    const auto significand = static_cast<long double>(mantissa);
    return exponent >= 0 ? significand * PowersOfTen[exponent] : significand / PowersOfTen[-exponent];
}

// extendedPrecisionProduct() rounded to a double.
inline double extendedPrecisionValue(std::uint64_t mantissa, int exponent) noexcept
{
    return static_cast<double>(extendedPrecisionProduct(mantissa, exponent));
}

// Reads a common number text (see above) into value and returns true; returns false
// for any other text, which the caller gives to the general conversion. The separator
// is `separator`; with `pointAfterDigit`, a "." right after an integer digit is one too.
inline bool tryParseCommonNumber(std::string_view text, char separator, bool pointAfterDigit, double& value) noexcept
{
    using namespace common_number;
    const char* position = text.data();
    const char* const end = position + text.size();
    bool negative = false;
    if (position < end && (*position == '-' || *position == '+'))
        negative = *position++ == '-';
    std::uint64_t mantissa = 0;
    const char* const digitsBegin = position;
    while (position < end && isDigit(*position))
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*position++ - '0');
    std::ptrdiff_t digitCount = position - digitsBegin;
    int exponent = 0;
    bool hasSeparator = false;
    if (position < end && (*position == separator || (pointAfterDigit && *position == '.' && digitCount > 0))) {
        hasSeparator = true;
        const char* const fractionBegin = ++position;
        while (position < end && isDigit(*position))
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*position++ - '0');
        exponent = static_cast<int>(fractionBegin - position);
        digitCount += position - fractionBegin;
    }
    if (digitCount == 0 && !hasSeparator)
        return false;
    if (position < end && (*position == 'E' || *position == 'e')) {
        ++position;
        bool negativeExponent = false;
        if (position < end && (*position == '+' || *position == '-'))
            negativeExponent = *position++ == '-';
        int written = 0;
        while (position < end && isDigit(*position) && written < 500)
            written = written * 10 + (*position++ - '0');
        exponent += negativeExponent ? -written : written;
    }
    if (position != end || digitCount > MaxDigits || exponent < -MaxPowerOfTen || exponent > MaxPowerOfTen)
        return false;
    const double magnitude = mantissa == 0 ? 0.0 : extendedPrecisionValue(mantissa, exponent);
    value = negative ? -magnitude : magnitude;
    return true;
}

} // namespace kvd
