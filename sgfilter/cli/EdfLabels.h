// What an EDF+ or BDF+ output calls its signals: a label of at most 16 characters for each,
// unique within the file, that says a stage's derivative and its recorded source ("SG d/dt ECG"),
// and for a stage's output a prefiltering text that says how it was made.
#pragma once

#include <string>
#include <vector>

#include "cli/OutputChannels.h"

namespace sgf {

struct EdfNaming {
    std::string label;
    std::string prefiltering;  // empty for a recorded channel
};

// One per output, in order.
std::vector<EdfNaming> edfNamingOf(const std::vector<OutputChannel>& outputs);

}  // namespace sgf
