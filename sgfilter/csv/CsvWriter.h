// Writes computed channels as CSV: the time column, then one column per channel with its values
// in units, each written with its channel's number of decimals.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "io/AtomicOutputFile.h"
#include "recording/BlockPlan.h"
#include "recording/Scalings.h"

namespace sgf {

struct TimeColumn {
    const std::string& header;
    const std::vector<double>& times;  // seconds, one per row of the block plan
    int decimals;                      // as the input file wrote them
};

struct OutputColumn {
    std::string header;  // "title (units)"
    int decimals;
    UnitsConversion conversion;
    // The stored values of block `index` (0-based in the block plan).
    std::function<std::span<const float>(std::size_t index)> storedValues;
};

// The caller commits the file once everything it writes has succeeded.
void writeCsv(AtomicOutputFile& file, const TimeColumn& time, const std::vector<PlannedBlock>& blocks,
              const std::vector<OutputColumn>& columns);

}  // namespace sgf
