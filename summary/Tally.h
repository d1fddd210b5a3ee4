#pragma once

namespace kvd {

// One distinct value of a column as the report tallies it.
struct Tally {
    int row = 0;   // the value's first row: its cell is the spelling the report shows
    int count = 0; // the object rows whose cell is spelled exactly so
    friend bool operator==(const Tally&, const Tally&) = default;
};

} // namespace kvd
