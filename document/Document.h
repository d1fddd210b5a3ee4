#pragma once

#include "datafile/DataTable.h"
#include "datafile/HeaderText.h"
#include "datafile/TextEncoding.h"
#include "summary/Summary.h"

#include <cstdint>
#include <string>

namespace kvd {

// One opened data file: what a document window shows, as plain data.
struct Document {
    std::string fileName;  // the path exactly as given to the loader
    std::string caption;   // the file name without its directory
    TextEncoding encoding = TextEncoding::Utf8;
    HeaderText header;
    DataTable table;
    // The file line (from 1) of the column names: object row r is line columnNameLineNumber + r.
    std::uint64_t columnNameLineNumber = 0;
    Summary summary;
};

// The caption for a path: the text after its last "/".
std::string captionForPath(const std::string& path);

} // namespace kvd
