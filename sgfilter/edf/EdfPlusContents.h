// What an EDF+ or BDF+ file is to hold, told to the writer before the first sample: the signals
// as the header describes them, the runs of contiguous data, the start and the annotations.
// Signals may differ in rate. Time is counted in ticks, the finest stretch that holds a whole
// number of samples of every signal; where all share one rate, a tick is one sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/StartAndAnnotations.h"

namespace sgf {

struct EdfPlusSignal {
    std::string label;  // the header keeps 16 characters
    std::string units;  // and 8 here
    // Written in 8 characters, rounded outwards where they cannot hold the value, so the written
    // range still holds every value of this one.
    double physicalMinimum, physicalMaximum;
    int32_t digitalMinimum, digitalMaximum;
    std::size_t samplesPerTick = 1;
    std::string prefiltering = {};  // how the signal was made; the header keeps 80 characters
};

// A stretch of data with no pause in it.
struct EdfPlusRun {
    double onset;  // seconds from the header's start date and time
    std::size_t ticks;
};

struct EdfPlusContents {
    bool is24Bit = false;  // BDF+ rather than EDF+
    std::string patientName = "X";
    std::string equipment = "X";
    StartDateTime start;
    double tickRate = 0.0;  // ticks per second
    std::vector<EdfPlusRun> runs;
    std::vector<EdfPlusSignal> signals;
    std::vector<Annotation> annotations;  // onsets in seconds from the header's start
};

}  // namespace sgf
