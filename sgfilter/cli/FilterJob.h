// One run of `sgfilter filter`: read the recording, compute each stage through the module, write
// the outputs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "stagesettings/FilterSettings.h"

namespace sgf {

struct FilterJob {
    std::filesystem::path input;   // "-": standard input
    std::filesystem::path output;  // "-": standard output
    std::filesystem::path plot;    // empty: no plot
    std::filesystem::path module;
    std::string annotations;  // empty: the input format's own choice
    int samplesPerBlock = 0;  // 0: chosen to suit the recording
    std::vector<FilterSettings> stages;
    bool keepSources = false;  // also write the recorded channels the stages read
    bool verbose = false;
    int progressDescriptor = -1;  // where ProgressLines go; -1: nowhere
};

void runFilterJob(const FilterJob& job);

}  // namespace sgf
