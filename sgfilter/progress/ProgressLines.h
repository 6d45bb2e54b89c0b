// Progress for a program that runs `filter`, not for a person: the share of the work done, one
// line per unit of work ("0.25\n"), written to a file descriptor the caller opened. The first
// line, 0, says the job was accepted: the recording is read and the output can be written.
#pragma once

#include <cstddef>

namespace sgf {

class ProgressLines {
public:
    // -1: no progress is written.
    explicit ProgressLines(int descriptor) : descriptor_(descriptor) {}

    // Writes the first line, of `total` units to come.
    void start(std::size_t total);
    void advance();

private:
    void write() const;

    int descriptor_;
    std::size_t total_ = 1;
    std::size_t done_ = 0;
};

}  // namespace sgf
