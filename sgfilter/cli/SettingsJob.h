// One run of `sgfilter settings`: the module's settings dialog for one channel, answered by a
// person at the terminal or by a script, and on OK the reported settings saved to a settings file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "refhost/DialogSession.h"

namespace sgf {

struct SettingsJob {
    int16_t channel = 1;  // the channel whose filter the dialog edits
    std::filesystem::path settingsFile;
    // The recording whose channels the dialog offers; empty: channels "Channel 1" to "Channel N".
    std::filesystem::path input;
    std::filesystem::path module;
    std::optional<std::vector<refhost::DialogStep>> script;  // nothing: ask at the terminal
};

// Returns after saving or after Cancel (which leaves the file as it was). Throws when the file,
// the recording or the module cannot be used, when the module misbehaves, and when it does not
// keep the settings it reported on OK.
void runSettingsJob(const SettingsJob& job);

}  // namespace sgf
