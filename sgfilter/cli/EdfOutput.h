// What a filter job's EDF+ or BDF+ output holds: a signal per output channel, the runs of data,
// and the input's start and annotations.
#pragma once

#include <string>
#include <vector>

#include "cli/OutputChannels.h"
#include "csv/RunLayout.h"
#include "edf/EdfPlusContents.h"
#include "edf/RecordingFormat.h"
#include "recording/RowsAtRate.h"
#include "recording/Scalings.h"

namespace sgf {

struct EdfOutput {
    EdfPlusContents contents;
    std::vector<UnitsConversion> conversions;  // each signal's stored values to units
};

// A kept source of an EDF or BDF input of the output's bit depth keeps the input's physical and
// digital range, so its digital values are written unchanged. Every other signal spans its full
// display range in units over the format's full digital range, the range the module chose for a
// computed channel. Each signal has the samples of its own rate. `edf` is empty for a CSV input,
// whose records' onsets count from its first row.
EdfOutput edfOutputOf(const std::vector<OutputChannel>& outputs, RecordingFormat input, RecordingFormat output,
                      const EdfRecording& edf, const RunLayout& layout, const std::vector<RowsAtRate>& rates);

// Throws UsageError when the runs (in ticks) cannot be cut into the whole data records of an EDF+
// or BDF+ output: told before the work, not after it.
void checkEdfOutputFits(const EdfRecording& edf, const RunLayout& layout);

// A unit text as EDF readers show it, short enough for the header's 8 characters: "mmHg.ms^-1_"
// becomes "mmHg/ms".
std::string shortUnits(const std::string& units);

}  // namespace sgf
