#include "common/Errors.h"
#include "datafile/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <optional>
#include <random>
#include <string>

namespace kvd {
namespace {

// Writes a text given with "." in the separator under test.
std::string withSeparator(std::string text, char separator)
{
    for (char& c : text) {
        if (c == '.')
            c = separator;
    }
    return text;
}

std::optional<long double> parsed(const std::string& text, char separator)
{
    long double value = 0;
    if (!tryParseNumberText(text, separator, value))
        return std::nullopt;
    return value;
}

// The C library's reading of a number text written with ".", for comparison.
long double referenceValue(const std::string& text)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtold_l(text.c_str(), nullptr, c);
}

TEST(DecimalSeparatorConversion, rewritesOnlySeparatorsThatFollowADigit)
{
    struct Case {
        const char* input;
        const char* pointToLocale;
    };
    const Case cases[] = {
        {"12.5", "12,5"},  {"1.2.3", "1,2,3"}, {"1.5e3", "1,5e3"}, {".5", ".5"},
        {"-.5", "-.5"},    {"12,5", "12,5"},   {"a.5", "a.5"},     {" .5", " .5"},
        {"", ""},          {"7.", "7,"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PointToLocale(c.input, ','), c.pointToLocale) << c.input;
        EXPECT_EQ(PointToLocale(c.input, '.'), c.input) << c.input;
    }
    EXPECT_EQ(LocaleToPoint("1234,57", ','), "1234.57");
    EXPECT_EQ(LocaleToPoint("-0,50", ','), "-0.50");
    EXPECT_EQ(LocaleToPoint("1,23457E06", ','), "1.23457E06");
    EXPECT_EQ(LocaleToPoint(",5;-,5;1,,2", ','), ",5;-,5;1.,2");
    EXPECT_EQ(LocaleToPoint("1,5", '.'), "1,5");
}

struct ParseCase {
    const char* text; // written with "." for the separator under test
    std::optional<long double> value;
};

class NumberTextSyntax : public ::testing::TestWithParam<char> {};

TEST_P(NumberTextSyntax, acceptsExactlyTheNumberTexts)
{
    const char separator = GetParam();
    const ParseCase cases[] = {
        {"7", 7},           {" 7 ", 7},          {"  -7  ", -7},      {"+7", 7},
        {"7-", {}},         {"\t7", {}},         {"7\t", {}},         {"1e5", 100000},
        {"1E5", 100000},    {"1E", 1},           {"1e+", 1},          {"1e-", 1},
        {"e5", {}},         {"", {}},            {" ", {}},           {".", 0},
        {"-.", 0},          {"+.", 0},           {".e3", 0},          {".5", 0.5L},
        {"5.", 5},          {"-", {}},           {"+", {}},           {"1.2.3", {}},
        {"1 000", {}},      {"1e5x", {}},        {"INF", {}},         {"NAN", {}},
        {"inf", {}},        {"0x10", {}},        {"12.5", 12.5L},     {"-0.5", -0.5L},
        {"1E0500", 1e500L}, {"1E499", 1e499L}, {"1E-499", 1e-499L}, {"0E5000", {}},
        {"1E5000", {}},
        {"0E0499", 0},      {"1E00000000000000003", 1000},           {"1E4999", {}},
        {"1e4930", 1e4930L}, {"1e4933", {}},     {"-1e4933", {}},     {"1e-5000", {}},
        {"1e-4999", 0},     {"1 e5", {}},        {"1e 5", {}},        {"1e5 ", 100000},
    };
    for (const ParseCase& c : cases) {
        const std::string text = withSeparator(c.text, separator);
        const std::optional<long double> value = parsed(text, separator);
        EXPECT_EQ(value.has_value(), c.value.has_value()) << "'" << text << "'";
        EXPECT_EQ(isNumberText(text, separator), c.value.has_value()) << "'" << text << "'";
        if (value && c.value) {
            EXPECT_EQ(*value, *c.value) << "'" << text << "'";
        }
    }
}

TEST_P(NumberTextSyntax, rejectsTheOtherSeparator)
{
    const char separator = GetParam();
    const char other = separator == '.' ? ',' : '.';
    EXPECT_FALSE(isNumberText(std::string("12") + other + "5", separator));
    EXPECT_FALSE(isNumberText(std::string(1, other) + "5", separator));
}

INSTANTIATE_TEST_SUITE_P(BothSeparators, NumberTextSyntax, ::testing::Values(',', '.'));

TEST(NumberText, parsingANonNumberRaisesTheConversionMessage)
{
    try {
        parseNumberText("12.5", ',');
        FAIL() << "12.5 is not a number text under ','";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'12.5' n'est pas une valeur en virgule flottante correcte");
    }
    EXPECT_THROW(parseNumberText("", '.'), ConversionError);
    EXPECT_EQ(parseNumberText("3,14", ','), 3.14L);
}

TEST(NumberText, dataFileNumbersParseUnderACommaLocaleAfterPointToLocale)
{
    EXPECT_EQ(parseNumberText(PointToLocale("3.14", ','), ','), 3.14L);
    EXPECT_FALSE(isNumberText(PointToLocale(".5", ','), ','));
    EXPECT_TRUE(isNumberText(PointToLocale("12,5", ','), ','));
    EXPECT_TRUE(isNumberText(".5", '.'));
    EXPECT_FALSE(isNumberText("12,5", '.'));
}

// Values beyond single precision are number texts, for the test as for parsing.
TEST(NumberText, valuesBeyondSinglePrecisionAreNumbers)
{
    EXPECT_TRUE(isNumberText("3.5E38", '.'));
    EXPECT_TRUE(isNumberText("1E39", '.'));
    EXPECT_TRUE(isNumberText("-1E400", '.'));
    EXPECT_EQ(parseNumberText("1E400", '.'), 1e400L);
}

TEST(NumberText, valuesAreCorrectlyRoundedToExtendedPrecision)
{
    // Random texts of 1 to 24 digits, with or without a point and an exponent,
    // checked against the C library's correctly rounded conversion.
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int digitCount = 1 + static_cast<int>(random() % 24);
        const int pointAt = static_cast<int>(random() % static_cast<std::uint64_t>(digitCount + 1));
        for (int d = 0; d < digitCount; ++d) {
            if (d == pointAt)
                text += '.';
            text += static_cast<char>('0' + random() % 10);
        }
        if (random() % 2)
            text += "e" + std::to_string(static_cast<int>(random() % 121) - 60);
        const std::optional<long double> value = parsed(text, '.');
        ASSERT_TRUE(value.has_value()) << text;
        EXPECT_EQ(*value, referenceValue(text)) << text;
    }
}

TEST(NumberText, longDigitStringsRoundOnEveryDigit)
{
    // 2^64 + 1 lies halfway between two long doubles and rounds to the even one;
    // a non-zero digit far behind it tips the rounding upward.
    const std::string halfway = "18446744073709551617";
    EXPECT_EQ(parseNumberText(halfway, '.'), 18446744073709551616.0L);
    const std::string tipped = halfway + "." + std::string(30000, '0') + "1";
    EXPECT_EQ(parseNumberText(tipped, '.'), 18446744073709551618.0L);
    EXPECT_EQ(parseNumberText(halfway + "." + std::string(30000, '0'), '.'), 18446744073709551616.0L);

    const std::string manyDigits = "0." + std::string(15000, '3') + "e10";
    EXPECT_EQ(parseNumberText(manyDigits, '.'), referenceValue(manyDigits));
    const std::string leadingZeros = "0." + std::string(4000, '0') + "125e4003";
    EXPECT_EQ(parseNumberText(leadingZeros, '.'), 125.0L);
    EXPECT_EQ(parseNumberText("50000000000000000000000000000000", '.'), 5e31L);
}

struct FormatCase {
    double x;
    const char* shown; // after LocaleToPoint
};

class FixedPointText : public ::testing::TestWithParam<char> {};

TEST_P(FixedPointText, writesSixSignificantDigitsAndTwoDecimals)
{
    const char separator = GetParam();
    const FormatCase cases[] = {
        {1234.5678, "1234.57"},  {12345.678, "12345.70"},   {123456.78, "123457.00"},
        {0.123456, "0.12"},      {0.005, "0.01"},           {-0.004, "0.00"},
        {-0.5, "-0.50"},         {3, "3.00"},               {2.675, "2.67"},
        {0.125, "0.13"},         {1234567.8, "1.23457E06"}, {1000000, "1E06"},
        {-2500000, "-2.5E06"},   {999999.7, "1E06"},        {999999.4, "999999.00"},
        {999999.5, "1E06"},      {0, "0.00"},               {-0.0, "0.00"},
        {-0.0049, "0.00"},       {-0.005, "-0.01"},         {0.0005, "0.00"},
        {0.0099, "0.01"},        {99.996, "100.00"},        {9.995, "9.99"},
        {1e-300, "0.00"},        {1.5, "1.50"},             {-1234.5, "-1234.50"},
        {1.7976931348623157e308, "1.79769E308"},            {12345678901.0, "1.23457E10"},
        {100000000.0, "1E08"},   {1.05e7, "1.05E07"},       {0.995, "0.99"},
    };
    for (const FormatCase& c : cases) {
        const std::string text = formatFixed(c.x, separator);
        EXPECT_EQ(LocaleToPoint(text, separator), c.shown) << c.x;
        if (separator != '.') {
            EXPECT_EQ(text.find('.'), std::string::npos) << text;
        }
    }
}

TEST_P(FixedPointText, parsingTheTextGivesBackTheRoundedValue)
{
    const char separator = GetParam();
    std::mt19937_64 random(77);
    std::uniform_real_distribution<double> exponent(-4, 12);
    for (int i = 0; i < 5000; ++i) {
        const double magnitude = std::pow(10.0, exponent(random));
        const double x = random() % 2 ? magnitude : -magnitude;
        const std::string text = formatFixed(x, separator);
        const double back = static_cast<double>(parseNumberText(text, separator));
        // Two decimals below 10^4, six significant digits above.
        const int n = static_cast<int>(std::floor(std::log10(std::fabs(x)))) + 1;
        const double halfUnit = 0.5 * std::pow(10.0, std::max(-2, n - 6));
        EXPECT_LE(std::fabs(back - x), halfUnit * (1 + 1e-9)) << x << " -> " << text;
        EXPECT_EQ(formatFixed(back, separator), text) << x;
    }
}

INSTANTIATE_TEST_SUITE_P(BothSeparators, FixedPointText, ::testing::Values(',', '.'));

TEST(FixedPointText, undefinedValuesHaveTextsOfTheirOwn)
{
    EXPECT_EQ(formatFixed(std::nan(""), '.'), "n/a");
    EXPECT_EQ(formatFixed(HUGE_VAL, ','), "INF");
    EXPECT_EQ(formatFixed(-HUGE_VAL, ','), "-INF");
}

TEST(UserDecimalSeparator, followsTheNumericLocale)
{
    const locale_t french = newlocale(LC_NUMERIC_MASK, "fr_FR.UTF-8", locale_t(nullptr));
    if (french == locale_t(nullptr))
        GTEST_SKIP() << "the fr_FR.UTF-8 locale is not installed (scripts/setup.sh generates it)";
    freelocale(french);
    const char* saved = std::getenv("LC_ALL");
    const std::string savedText = saved ? saved : "";
    setenv("LC_ALL", "fr_FR.UTF-8", 1);
    EXPECT_EQ(userDecimalSeparator(), ',');
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(userDecimalSeparator(), '.');
    if (saved)
        setenv("LC_ALL", savedText.c_str(), 1);
    else
        unsetenv("LC_ALL");
}

} // namespace
} // namespace kvd
