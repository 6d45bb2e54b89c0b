// The filter stages with their source channels resolved. Channels are numbered as the user sees
// them: the file's channel columns from 1 in column order, then one more for each stage's output,
// so the output of stage k of a file with n channels is channel n + k. A stage's output has
// computed values only, which a later stage reads with --computed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "input/RecordingDescription.h"
#include "stagesettings/FilterSettings.h"

namespace sgf {

struct PlannedStage {
    int16_t sourceChannel;
    int16_t outputChannel;
    FilterSettings settings;  // `computed` as the stage reads its source
    std::size_t rate = 0;     // which of the rates read its source is at, and so its output
};

// A stage without a channel filters the file's first channel (stage 1) or the previous stage's
// output. Throws InputError for a channel the file does not have and UsageError for a source the
// stage cannot read.
std::vector<PlannedStage> planStages(const std::vector<FilterSettings>& stages, const RecordingDescription& summary);

// Each stage's rate: its file channel's (`channelRates`, per file channel from 0), or that of the
// stage whose output it reads.
void assignRates(std::vector<PlannedStage>& stages, const std::vector<std::optional<std::size_t>>& channelRates);

}  // namespace sgf
