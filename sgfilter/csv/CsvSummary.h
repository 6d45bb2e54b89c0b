// What reading a CSV recording tells about it as a whole: the time column's header and places,
// and per channel its name, units, places and largest magnitude. The rows themselves go to a
// RowSink as they are read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace sgf {

struct ChannelColumn {
    std::string name;
    std::string units;  // empty when the header gives none
    double largestMagnitude = 0.0;
    // The most decimal places written in the column: values are shown the way the file gave them.
    int decimals = 0;
};

struct CsvSummary {
    std::filesystem::path file;
    std::string timeHeader;
    int timeDecimals = 0;
    std::vector<ChannelColumn> channels;
    std::size_t rowCount = 0;
};

}  // namespace sgf
