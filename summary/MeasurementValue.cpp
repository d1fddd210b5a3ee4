#include "summary/MeasurementValue.h"

#include "datafile/NumberText.h"

#include <cmath>

namespace kvd {

bool measurementValueInGeneral(std::string_view cell, char decimalSeparator, double& value, std::string& buffer)
{
    // The inline reading has already refused the common texts' form: the general rule
    // decides the rest.
    long double extended = 0;
    if (!tryParseNumberText(PointToLocale(cell, decimalSeparator, buffer), decimalSeparator, extended))
        return false;
    value = static_cast<double>(extended);
    return std::isfinite(value);
}

bool measurementValue(std::string_view cell, char decimalSeparator, double& value)
{
    std::string buffer;
    return measurementValue(cell, decimalSeparator, value, buffer);
}

} // namespace kvd
