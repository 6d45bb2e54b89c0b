// How many samples an EDF+ or BDF+ data record holds. A record never reaches across a pause, so
// its sample count divides the length of every run of contiguous data, and its duration must be
// written exactly in the header's 8 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sgf {

struct EdfPlusRecordSize {
    std::size_t samples;
    int64_t nanoseconds;  // a whole number of 10 µs
};

// The most samples of at most one second (1 ms to 60 s where the rate is below 1 Hz) that divide
// every run's length into whole records of a duration in 10 µs steps. Throws UsageError when
// there is none.
EdfPlusRecordSize edfPlusRecordSizeFor(double sampleRate, std::span<const std::size_t> runLengths);

}  // namespace sgf
