// Settings files hold the settings of one filter stage as a JSON object whose keys are the names
// of the command-line options:
//   {"channel": "pressure", "computed": false, "derivative": 1, "order": 3, "width": 21,
//    "range-index": 0}
// "channel" is a channel's name or number. A setting the file leaves out keeps its value.
#pragma once

#include <filesystem>

#include "stagesettings/FilterSettings.h"

namespace sgf {

// Overwrites the settings the file gives. Throws InputError, with the line where it can be
// told, for unreadable JSON, unknown keys, values of the wrong type and values out of range.
void applySettingsFile(const std::filesystem::path& file, FilterSettings& settings);

}  // namespace sgf
