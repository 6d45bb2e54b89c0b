// What a filter job's EDF+ or BDF+ output holds: a signal per stage, the runs of data, and the
// input's start and annotations.
#pragma once

#include <string>
#include <vector>

#include "csv/RunLayout.h"
#include "edf/EdfPlusContents.h"
#include "edf/EdfRecording.h"
#include "edf/RecordingFormat.h"
#include "recording/Scalings.h"
#include "recording/StageRunner.h"
#include "staging/StagedRows.h"

namespace sgf {

struct EdfOutput {
    EdfPlusContents contents;
    std::vector<UnitsConversion> conversions;  // each signal's stored values to units
};

// Every signal spans its full display range in units over the format's full digital range, the
// range the module chose for it. `edf` is empty for a CSV input, whose records' onsets count from
// its first row.
EdfOutput edfOutputOf(const std::vector<ComputedChannel>& computed, RecordingFormat input, RecordingFormat output,
                      const EdfRecording& edf, const RunLayout& layout, const StagedRows& rows);

// A unit text as EDF readers show it, short enough for the header's 8 characters: "mmHg.ms^-1_"
// becomes "mmHg/ms".
std::string shortUnits(const std::string& units);

}  // namespace sgf
