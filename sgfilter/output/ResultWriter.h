// Where the finished outputs go, block after block: a CSV table or an EDF+/BDF+ file.
#pragma once

#include <span>

namespace sgf {

class ResultWriter {
public:
    virtual ~ResultWriter() = default;
    // The next stretch of time: each output's stored values in it, and the times of the first
    // output's. Only EDF+ and BDF+ outputs take outputs at different rates.
    virtual void writeRows(std::span<const double> times, std::span<const std::span<const float>> columns) = 0;
    // Writes whatever is buffered.
    virtual void finish() = 0;
};

}  // namespace sgf
