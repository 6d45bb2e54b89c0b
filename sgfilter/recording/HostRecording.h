// Moves a recording read from CSV into the host's recording model: one channel per column with
// its raw scaling, blocks as planned, and the samples stored as normalised float32 values.
#pragma once

#include <vector>

#include "csv/CsvTable.h"
#include "csv/RunLayout.h"
#include "recording/BlockPlan.h"
#include "refhost/Recording.h"

namespace sgf {

// The channel columns' values are released once stored: from here on the host holds the samples,
// and a long recording is not kept twice.
void moveIntoHost(CsvTable& table, const RunLayout& layout, const std::vector<PlannedBlock>& blocks,
                  refhost::Recording& recording);

}  // namespace sgf
