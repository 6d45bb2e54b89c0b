// A recording as read from CSV: the time column, one column per channel, and where blank lines
// interrupted the data.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace sgf {

struct ChannelColumn {
    std::string name;
    std::string units;  // empty when the header gives none
    std::vector<double> values;
    double largestMagnitude = 0.0;
    // The most decimal places written in the column: values are shown the way the file gave them.
    int decimals = 0;
};

struct CsvTable {
    std::filesystem::path file;
    std::string timeHeader;
    std::vector<double> times;
    int timeDecimals = 0;
    std::vector<ChannelColumn> channels;
    // Row indices that follow a blank line: the data before and after do not join.
    std::vector<std::size_t> blankLineBreaks;

    std::size_t rowCount() const { return times.size(); }
};

}  // namespace sgf
