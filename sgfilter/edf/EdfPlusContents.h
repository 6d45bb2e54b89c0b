// What an EDF+ or BDF+ file is to hold, told to the writer before the first sample: the signals
// as the header describes them, the runs of contiguous data, the start and the annotations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "edf/StartAndAnnotations.h"

namespace sgf {

struct EdfPlusSignal {
    std::string label;  // the header keeps 16 characters
    std::string units;  // and 8 here
    // Written in 8 characters, rounded outwards where they cannot hold the value, so the written
    // range still holds every value of this one.
    double physicalMinimum, physicalMaximum;
    int32_t digitalMinimum, digitalMaximum;
};

// A stretch of samples that follow one another at the sample rate.
struct EdfPlusRun {
    double onset;  // seconds from the header's start date and time
    std::size_t samples;
};

struct EdfPlusContents {
    bool is24Bit = false;  // BDF+ rather than EDF+
    std::string patientName = "X";
    std::string equipment = "X";
    StartDateTime start;
    double sampleRate = 0.0;  // Hz, shared by every signal
    std::vector<EdfPlusRun> runs;
    std::vector<EdfPlusSignal> signals;
    std::vector<Annotation> annotations;  // onsets in seconds from the header's start
};

}  // namespace sgf
