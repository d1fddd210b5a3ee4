#include "summary/MeasurementValue.h"

#include "datafile/NumberText.h"

#include <cmath>

namespace kvd {

bool measurementValue(std::string_view cell, char decimalSeparator, double& value)
{
    long double extended = 0;
    if (decimalSeparator == '.' || cell.find('.') == std::string_view::npos) {
        if (!tryParseNumberText(cell, decimalSeparator, extended))
            return false;
    } else {
        if (!tryParseNumberText(PointToLocale(cell, decimalSeparator), decimalSeparator, extended))
            return false;
    }
    value = static_cast<double>(extended);
    return std::isfinite(value);
}

} // namespace kvd
