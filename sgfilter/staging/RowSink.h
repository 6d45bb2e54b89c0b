// Where a reader of a recording puts what it reads: the rows in time order, and the breaks in the
// data between them. Readers know their format and nothing of where the rows go.
#pragma once

#include <span>

namespace sgf {

class RowSink {
public:
    virtual ~RowSink() = default;
    // One row: its time in seconds and one value per channel, in units.
    virtual void row(double time, std::span<const double> values) = 0;
    // The next row does not continue the data before it, whatever its time says.
    virtual void breakBeforeNextRow() = 0;
};

}  // namespace sgf
