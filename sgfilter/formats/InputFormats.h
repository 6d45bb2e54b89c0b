// The formats sgfilter reads, every one of them, and the recordings opened through them: the one
// place that names the formats, so the commands know none by name.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "input/FormatRegistry.h"

namespace sgf {

// CSV first (a file no other format claims is read as CSV), then EDF and BDF, WFDB, BrainVision.
// A test may add a format of its own.
FormatRegistry& inputFormats();
// "CSV, EDF and BDF, WFDB, BrainVision": for help texts.
std::string formatNames();

inline std::unique_ptr<InputRecording> openRecording(const std::filesystem::path& name, const OpenRequest& request) {
    return inputFormats().open(name, request);
}

}  // namespace sgf
