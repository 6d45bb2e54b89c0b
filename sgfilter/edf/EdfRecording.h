// What an EDF or BDF recording holds beside its samples, as sgfilter carries it from the input to
// an EDF+ or BDF+ output: the channels' scalings as the file defines them, the start date and
// time, and the annotations.
#pragma once

#include <string>
#include <vector>

#include "csv/CsvSummary.h"
#include "input/StartAndAnnotations.h"
#include "module/filter/ChannelScaling.h"

namespace sgf {

// A data signal's range as the file's header gives it.
struct SignalRange {
    double physicalMinimum, physicalMaximum;
    double digitalMinimum, digitalMaximum;
};

struct EdfRecording {
    CsvSummary table;                          // channels named by label, with their units; rows by rate
    std::vector<sg::ChannelScaling> scalings;  // one per channel, in the converted form
    std::vector<SignalRange> ranges;           // one per channel
    std::vector<double> channelRates;          // Hz, one per channel
    std::vector<std::size_t> samplesPerRecord; // one per channel
    std::size_t recordCount = 0;
    double tickRate = 0.0;                     // Hz, of the ticks of the rates read
    double recordDuration = 0.0;               // seconds
    std::size_t runCount = 0;
    StartDateTime start;
    std::vector<Annotation> annotations;
};

}  // namespace sgf
