// Where the finished outputs go, block after block: a CSV table or an EDF+/BDF+ file.
#pragma once

#include <span>

namespace sgf {

class ResultWriter {
public:
    virtual ~ResultWriter() = default;
    // Consecutive rows: their times in seconds, and each output's stored values of those rows.
    virtual void writeRows(std::span<const double> times, std::span<const std::span<const float>> columns) = 0;
    // Writes whatever is buffered.
    virtual void finish() = 0;
};

}  // namespace sgf
