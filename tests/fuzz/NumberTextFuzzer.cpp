// Feeds arbitrary bytes through the number text functions and checks what must hold
// for every input: the test for a number text agrees with parsing, the one-pass
// reading of a double agrees bit for bit with the extended value rounded, and so does
// a measurement cell with its "." rewritten, a formatted value parses back to itself
// once rounded, and the two separator conversions undo each other.
#include "common/Errors.h"
#include "datafile/NumberText.h"
#include "summary/MeasurementValue.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool hasSeparatorAfterDigit(std::string_view text, char separator)
{
    for (std::size_t i = 1; i < text.size(); ++i)
        if (text[i] == separator && isDigit(text[i - 1]))
            return true;
    return false;
}

void checkText(std::string_view text, char separator)
{
    long double value = 0;
    const bool parsed = kvd::tryParseNumberText(text, separator, value);
    check(parsed == kvd::isNumberText(text, separator), "isNumberText agrees with tryParseNumberText");
    try {
        const long double thrown = kvd::parseNumberText(text, separator);
        check(parsed, "parseNumberText accepts only number texts");
        check(thrown == value || (std::isnan(thrown) && std::isnan(value)), "both parsers give one value");
    } catch (const kvd::ConversionError&) {
        check(!parsed, "parseNumberText refuses only non-number texts");
    }

    double rounded = 0;
    const bool parsedAsDouble = kvd::tryParseNumberAsDouble(text, separator, rounded);
    check(parsedAsDouble == parsed, "the double reading accepts the number texts");
    check(!parsed || std::bit_cast<std::uint64_t>(rounded) == std::bit_cast<std::uint64_t>(static_cast<double>(value)),
          "the double reading is the extended value rounded");

    double cellValue = 0;
    std::string buffer;
    long double rewritten = 0;
    const bool isCell = kvd::measurementValue(text, separator, cellValue, buffer);
    const bool rewrittenParsed = kvd::tryParseNumberText(kvd::PointToLocale(text, separator), separator, rewritten)
                                 && std::isfinite(static_cast<double>(rewritten));
    check(isCell == rewrittenParsed, "a measurement cell is a finite number once its points are rewritten");
    check(!isCell || std::bit_cast<std::uint64_t>(cellValue) == std::bit_cast<std::uint64_t>(static_cast<double>(rewritten)),
          "a measurement cell has the value of its rewritten text");

    if (parsed && std::isfinite(static_cast<double>(value))) {
        const std::string shown = kvd::formatFixed(static_cast<double>(value), separator);
        long double again = 0;
        check(kvd::tryParseNumberText(shown, separator, again), "a formatted value is a number text");
        check(kvd::formatFixed(static_cast<double>(again), separator) == shown,
              "formatting the parsed formatted value gives the same text");
    }

    if (!hasSeparatorAfterDigit(text, separator)) {
        const std::string there = kvd::PointToLocale(text, separator);
        check(kvd::LocaleToPoint(there, separator) == text, "LocaleToPoint undoes PointToLocale");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkText(text, '.');
    checkText(text, ',');
    if (size >= sizeof(double)) {
        double x;
        std::memcpy(&x, data, sizeof x);
        if (std::isfinite(x)) {
            for (const char separator : {'.', ','}) {
                const std::string shown = kvd::formatFixed(x, separator);
                check(kvd::isNumberText(shown, separator), "every finite value formats to a number text");
                check(kvd::LocaleToPoint(shown, separator).find(',') == std::string::npos,
                      "shown numbers use a point");
            }
        }
    }
    return 0;
}
