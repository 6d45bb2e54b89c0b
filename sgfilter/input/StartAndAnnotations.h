// When a recording started and what was noted during it: what an EDF+ or BDF+ file carries beside
// its samples, read from an input and written to an output alike.
#pragma once

#include <string>

namespace sgf {

// Row times and annotation onsets count seconds from the start's whole second.
struct StartDateTime {
    int year = 1985, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    // Seconds past `second`, below 1, where EDF+ gives them (its first record's onset): a header
    // keeps whole seconds, so a writer carries the fraction in the records' onsets instead.
    double fraction = 0.0;
};

struct Annotation {
    double onset;     // seconds from the start of the recording
    double duration;  // seconds; 0 when the file gives none
    std::string text;
};

}  // namespace sgf
