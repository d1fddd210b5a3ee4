#include "summary/MeasurementValue.h"

#include "datafile/NumberText.h"

#include <cmath>

namespace kvd {

bool measurementValueInGeneral(std::string_view cell, char decimalSeparator, double& value, std::string& buffer)
{
    return tryParseNumberAsDouble(PointToLocale(cell, decimalSeparator, buffer), decimalSeparator, value)
           && std::isfinite(value);
}

bool measurementValue(std::string_view cell, char decimalSeparator, double& value)
{
    std::string buffer;
    return measurementValue(cell, decimalSeparator, value, buffer);
}

} // namespace kvd
