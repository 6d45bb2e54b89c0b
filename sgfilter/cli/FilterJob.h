// One run of `sgfilter filter`: read the recording, compute each stage through the module, write
// the outputs.
#pragma once

#include <filesystem>
#include <vector>

#include "recording/BlockPlan.h"
#include "settings/FilterSettings.h"

namespace sgf {

struct FilterJob {
    std::filesystem::path input;
    std::filesystem::path output;
    std::filesystem::path plot;  // empty: no plot
    std::filesystem::path module;
    int samplesPerBlock = kDefaultSamplesPerBlock;
    std::vector<FilterSettings> stages;
    bool verbose = false;
};

void runFilterJob(const FilterJob& job);

}  // namespace sgf
