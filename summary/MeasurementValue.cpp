#include "summary/MeasurementValue.h"

#include "datafile/NumberText.h"

#include <cmath>
#include <cstring>
#include <string>

namespace kvd {

bool measurementValue(std::string_view cell, char decimalSeparator, double& value) noexcept
{
    long double extended = 0;
    bool parsed = false;
    if (decimalSeparator == '.' || cell.find('.') == std::string_view::npos) {
        parsed = tryParseNumberText(cell, decimalSeparator, extended);
    } else {
        char stack[64];
        std::string heap;
        char* out = stack;
        if (cell.size() > sizeof stack) {
            try {
                heap.resize(cell.size());
            } catch (...) {
                return false;
            }
            out = heap.data();
        }
        std::memcpy(out, cell.data(), cell.size());
        for (std::size_t i = 1; i < cell.size(); ++i) {
            if (out[i] == '.' && out[i - 1] >= '0' && out[i - 1] <= '9')
                out[i] = decimalSeparator;
        }
        parsed = tryParseNumberText(std::string_view(out, cell.size()), decimalSeparator, extended);
    }
    if (!parsed)
        return false;
    value = static_cast<double>(extended);
    return std::isfinite(value);
}

} // namespace kvd
