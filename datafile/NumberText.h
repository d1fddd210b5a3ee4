#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kvd {

// Numbers in data files and on screen use "." as decimal separator; the number
// conversions use the locale's. These pure functions bridge the two. Every one takes
// the locale decimal separator as `decimalSeparator`.

// The decimal separator of the user's LC_NUMERIC locale (a one-byte separator; "."
// where the locale's is longer than one byte).
char userDecimalSeparator();

// The same for the locale called `name` ("C", "fr_FR.UTF-8"...; "" for the user's);
// none when the system has no locale of that name.
std::optional<char> decimalSeparatorOf(const char* name);

// Rewrites the locale separator to "." wherever it follows a digit (never the
// first character). Returns the text unchanged when decimalSeparator is ".".
std::string LocaleToPoint(std::string_view text, char decimalSeparator);

// Rewrites "." to the locale separator wherever it follows a digit (never the first
// character). Returns the text unchanged when decimalSeparator is ".".
std::string PointToLocale(std::string_view text, char decimalSeparator);
// The same, written into `buffer` when anything changes (text itself otherwise); the
// buffer is reused, so a caller that converts many texts allocates only now and then.
std::string_view PointToLocale(std::string_view text, char decimalSeparator, std::string& buffer);

// Parses a number text: blanks (code 32) around, optional sign, digits with an
// optional locale separator, optional exponent E/e with optional sign and digits.
// The value is computed in extended precision. Throws ConversionError
// "'%s' n'est pas une valeur en virgule flottante correcte" for any other text.
long double parseNumberText(std::string_view text, char decimalSeparator);

// Like parseNumberText, without throwing: false for a text that is not a number text.
// Does not allocate.
bool tryParseNumberText(std::string_view text, char decimalSeparator, long double& value) noexcept;

// The value of a number text rounded to a double, bit for bit
// static_cast<double>(parseNumberText(text)): read in one pass for the common texts
// (tryParseCommonNumber, datafile/CommonNumberText.h) and through tryParseNumberText
// for every other. False for a text that is not a number text. Does not allocate.
bool tryParseNumberAsDouble(std::string_view text, char decimalSeparator, double& value) noexcept;

// True exactly when parseNumberText would succeed.
bool isNumberText(std::string_view text, char decimalSeparator) noexcept;

// The fixed-point text of x with precision 6 and 2 decimals, using the locale
// separator: 1234.57, 0.00 (never -0.00), 123457.00, and from 999999.5 on the
// scientific form 1.23457E06, 1E06, -2.5E06.
std::string formatFixed(double x, char decimalSeparator);

} // namespace kvd
