// Where a recording's data is contiguous. The sample interval comes from the time column; a step
// that is not one interval, or a blank line, ends a run of contiguous data, and no filter window
// reaches across that boundary.
#pragma once

#include <cstddef>
#include <vector>

#include "csv/CsvTable.h"

namespace sgf {

struct DataRun {
    std::size_t firstRow;
    std::size_t rowCount;
};

struct RunLayout {
    double sampleInterval;  // seconds
    std::vector<DataRun> runs;
};

// Throws InputError when no two rows follow each other, so the interval cannot be known.
RunLayout splitIntoRuns(const CsvTable& table);

}  // namespace sgf
