// How many ticks an EDF+ or BDF+ data record holds (see EdfPlusContents.h). A record never reaches
// across a pause, so its tick count divides the length of every run of contiguous data, and its
// duration must be written exactly in the header's 8 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sgf {

struct EdfPlusRecordSize {
    std::size_t ticks;
    int64_t nanoseconds;  // a whole number of 10 µs
};

// The most ticks of at most one second (1 ms to 60 s where the tick rate is below 1 Hz) that divide
// every run's length into whole records of a duration in 10 µs steps. Throws UsageError when there
// is none; its message counts the ticks as samples at the tick rate, which they are where every
// signal has one sample per tick.
EdfPlusRecordSize edfPlusRecordSizeFor(double tickRate, std::span<const std::size_t> runTicks);

}  // namespace sgf
