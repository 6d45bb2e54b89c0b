// Writes a settings file in the form applySettingsFile reads (SettingsFile.h), with every setting
// spelled out so the file says the whole stage. The file is replaced whole or left as it was.
#pragma once

#include <filesystem>

#include "stagesettings/FilterSettings.h"

namespace sgf {

// A channel given by number is written as a JSON number, by name as a string; an empty channel
// is left out. Throws std::runtime_error when the file cannot be written.
void writeSettingsFile(const std::filesystem::path& file, const FilterSettings& settings);

}  // namespace sgf
