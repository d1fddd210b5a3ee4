#include "report/ReportLocale.h"

#include "datafile/NumberText.h"

#include <clocale>

namespace kvd {

ReportLocale userReportLocale()
{
    return {userDecimalSeparator(), QLocale::system()};
}

std::optional<ReportLocale> pinReportLocale(const std::string& name)
{
    // The C library knows which locales are installed; QLocale would take any name.
    const std::optional<char> separator = decimalSeparatorOf(name.c_str());
    if (name.empty() || !separator || std::setlocale(LC_ALL, name.c_str()) == nullptr)
        return std::nullopt;
    return ReportLocale{*separator, QLocale(QString::fromStdString(name))};
}

} // namespace kvd
