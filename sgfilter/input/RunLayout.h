// Where a recording's data is contiguous: runs of rows that follow each other at the sample
// interval. No filter window reaches across the boundary between two runs.
#pragma once

#include <cstddef>
#include <vector>

namespace sgf {

struct DataRun {
    std::size_t firstRow;
    std::size_t rowCount;
};

struct RunLayout {
    double sampleInterval;  // seconds
    std::vector<DataRun> runs;
};

}  // namespace sgf
