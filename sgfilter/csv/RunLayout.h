// Where a recording's data is contiguous. The sample interval comes from the time column; a step
// that is not one interval, or a break between rows (a blank line), ends a run of contiguous
// data, and no filter window reaches across that boundary.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace sgf {

// The time column of a recording, read in order from any row: long recordings keep it on disk.
struct TimeColumn {
    std::filesystem::path file;  // named in messages
    std::size_t rowCount;
    int decimals;                     // the most places any time was written with
    std::vector<std::size_t> breaks;  // rows, in increasing order, that do not continue the row before
    std::function<void(std::size_t firstRow, std::span<double> times)> read;
};

struct DataRun {
    std::size_t firstRow;
    std::size_t rowCount;
};

struct RunLayout {
    double sampleInterval;  // seconds
    std::vector<DataRun> runs;
};

// Throws InputError when no two rows follow each other, so the interval cannot be known, or when
// the data breaks into more than `mostRuns` runs.
RunLayout splitIntoRuns(const TimeColumn& times, std::size_t mostRuns);

}  // namespace sgf
