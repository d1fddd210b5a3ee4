#pragma once

#include <cmath>

namespace kvd {

// The numbers behind one row of the statistics grid, in full double precision, for
// output that needs more than the grid's rounded texts.
struct MeasurementFigures {
    enum class State {
        Computed,   // every value is a number: the figures below hold
        Invalid,    // a value after the first is not a number: the row holds the name only
        NotNumeric, // the first value is not a number: an "n/a" row (WUM kinds)
    };

    int column = 0; // in the data table
    int row = 0;    // in the statistics grid
    State state = State::Computed;
    int count = 0;  // the values taken: every object row
    double mean = NAN;
    // The sample standard deviation around the exact mean, divided by the square root
    // of count; NaN for a single object. (The grid's text is computed around the mean
    // as shown, rounded to two decimals.)
    double standardError = NAN;
    double minimum = NAN;
    double maximum = NAN;
};

} // namespace kvd
