// The settings the module reports when its dialog closes with OK, taken as a settings file holds
// them, and checked before anything is saved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "refhost/ServiceRecords.h"
#include "stagesettings/FilterSettings.h"
#include "module/settings/FunctionInstance.h"

namespace sgf {

// The last report of each of the six settings for `channel`. Throws std::runtime_error when one is
// missing, or has a value that `filter` would refuse to read from the file.
FilterSettings reportedSettings(const std::vector<refhost::ParameterReport>& reports, int16_t channel);

// The host applies each report to the channel, and the module ignores a value it cannot take (a
// source channel the recording lacks, chosen by a script, say); a file of such values would not
// say what the channel computes. Throws std::runtime_error when the channel holds other settings.
void requireHeldByChannel(const FilterSettings& reported, const sg::LocalDataType& held);

// "first derivative of channel 3 (computed values), order 4, width 21, range index 0"
std::string describeSettings(const FilterSettings& settings);

}  // namespace sgf
