// What a recording holds, whatever its format: its channels, when it started, and what was noted
// during it. Every reader fills this in; everything above the readers (filter, info, view, the
// outputs) knows a recording by it alone.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "input/StartAndAnnotations.h"
#include "module/filter/ChannelScaling.h"

namespace sgf {

// A recorded channel's digital and physical range, where the file defines one (EDF's header
// fields, a WFDB signal's ADC range): an output of the same bit depth keeps it, so the digital
// values are written unchanged.
struct SignalRange {
    double physicalMinimum, physicalMaximum;
    double digitalMinimum, digitalMaximum;
};

struct InputChannel {
    std::string label;
    std::string units;  // as the file gives them; empty where it gives none
    double rate = 0.0;  // Hz
    std::size_t sampleCount = 0;
    // From the stored float32 values the host keeps to units. Its decimals are as many as one
    // digital step needs, or as the file wrote.
    sg::ChannelScaling scaling{};
    // Units per digital step; 0 where the file stores no digital values (CSV, floating point).
    double resolution = 0.0;
    std::optional<SignalRange> recordedRange;
    // Bits of each stored digital value (16 for EDF, 24 for BDF), 0 where there are none.
    int storedBits = 0;
};

struct RecordingDescription {
    std::filesystem::path file;  // as the user named it
    std::string format;          // as `info` shows it: "CSV", "EDF+D", "WFDB"...
    std::string timeHeader = "Time (s)";
    std::vector<InputChannel> channels;
    // Where the file says when it started; the row times then count seconds from it.
    std::optional<StartDateTime> start;
    std::vector<Annotation> annotations;
    // What `info` says beyond the channels: a signal read as annotations or left out, and why.
    std::vector<std::string> notes;
};

}  // namespace sgf
