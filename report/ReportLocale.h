#pragma once

#include <QLocale>

#include <optional>
#include <string>

namespace kvd {

// The rules a run reads numbers and compares texts by: the decimal separator that
// measurement values may use besides ".", and the collation of distinct values.
struct ReportLocale {
    char decimalSeparator = '.';
    QLocale collation;
};

// The user's locale, as the environment (LC_ALL, LC_NUMERIC, LANG...) sets it.
ReportLocale userReportLocale();

// Makes the locale called `name` ("C", "fr_FR.UTF-8"...) the process's locale and
// returns its rules; none when the system does not have that locale. Call it before
// any thread starts.
std::optional<ReportLocale> pinReportLocale(const std::string& name);

} // namespace kvd
