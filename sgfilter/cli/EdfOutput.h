// What a filter job's EDF+ or BDF+ output holds: a signal per output channel, the runs of data,
// and the input's start and annotations.
#pragma once

#include <string>
#include <vector>

#include "cli/OutputChannels.h"
#include "cli/OutputFormat.h"
#include "edf/EdfPlusContents.h"
#include "input/InputRecording.h"
#include "recording/Scalings.h"
#include "recording/ValueRanges.h"

namespace sgf {

struct EdfOutput {
    EdfPlusContents contents;
    std::vector<UnitsConversion> conversions;  // each signal's stored values to the units its header names
};

// A kept source whose digital values have the output's bit depth (from an EDF input into EDF+, a
// BDF into BDF+) keeps the input's physical and digital range where its values lie within it, so
// its digital values are written unchanged.
// Every other signal has the format's full digital range and the physical range of the finest
// step that holds its values (`values`, one per output), or its display range (for a computed
// channel, the module's) where that holds them and is not much coarser; where the numbers do not
// fit the header, its unit's prefix changes. Each signal has the samples of its own rate. The
// input's start and annotations are the output's; an input with no start (CSV) has its records'
// onsets counted from its first row.
EdfOutput edfOutputOf(const std::vector<OutputChannel>& outputs, const std::vector<ValueRange>& values,
                      OutputFormat output, const InputRecording& input);

// Throws UsageError when the runs (in ticks) cannot be cut into the whole data records of an EDF+
// or BDF+ output: told before the work, not after it.
void checkEdfOutputFits(const InputRecording& input);

}  // namespace sgf
