// A WFDB header (.hea) as written: the record line, then either one line per signal or, for a
// multi-segment record, one line per segment; comment lines are kept. Fields the header leaves out
// take the WFDB defaults here, so nothing past this reader needs to know which were written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sgf {

struct WfdbSignalLine {
    std::string fileName;  // "~" where the signal has no file (a variable layout's layout header)
    int format = 0;
    int samplesPerFrame = 1;
    int skew = 0;                 // frames the signal's samples lie later in its file than its frame
    std::uint64_t byteOffset = 0;  // bytes of the file before its first frame
    double gain = 200.0;           // digital steps per unit: 0 or missing means 200
    int baseline = 0;              // the digital value of 0 units: the ADC zero unless given
    std::string units = "mV";
    int adcResolution = 0;  // bits; the format's own where the header gives 0 or none
    int adcZero = 0;
    int initialValue = 0;   // format 8's first difference starts from it; the ADC zero unless given
    std::string description;  // "signal N" (from 1) where none is given
};

struct WfdbSegmentLine {
    std::string recordName;  // "~" for a stretch with no signals
    std::uint64_t frames = 0;
};

struct WfdbHeader {
    std::string recordName;
    bool multiSegment = false;
    int segmentCount = 0;  // of a multi-segment record
    int signalCount = 0;
    double frameRate = 250.0;  // frames per second
    double counterFrequency = 0.0;  // 0 where the header gives none
    double baseCounter = 0.0;
    std::optional<std::uint64_t> frames;  // per signal; none (or 0) where the header leaves it out
    std::optional<double> baseTime;        // seconds past midnight
    struct Date {
        int year, month, day;
    };
    std::optional<Date> baseDate;
    std::vector<WfdbSignalLine> signals;
    std::vector<WfdbSegmentLine> segments;
    std::vector<std::string> comments;  // without their '#'
};

// Throws InputError naming the file and line for a field that cannot be read.
WfdbHeader readWfdbHeader(const std::filesystem::path& file);

}  // namespace sgf
