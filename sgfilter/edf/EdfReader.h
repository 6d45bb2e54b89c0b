// Reads an EDF, EDF+, BDF or BDF+ recording, continuous or not. BioSig, which (unlike EDFlib)
// opens discontinuous files, gives the onset of every data record and the annotations; the
// samples are decoded record by record from the checked header's layout. A data record that does not start where the one before ended
// breaks the rows, so no filter window reaches across a pause of the recorder.
#pragma once

#include <filesystem>
#include <functional>

#include "edf/EdfRecording.h"
#include "staging/RowSink.h"

namespace sgf {

// Hands each sample row, in units, to `rows`. `checkHeader` sees the channels before any sample
// is read. Throws InputError naming the file for a damaged header or records, and for signals at
// different sample rates.
EdfRecording readEdf(const std::filesystem::path& file, RowSink& rows,
                     const std::function<void(const CsvSummary&)>& checkHeader = {});
// The header and the runs, without the samples.
EdfRecording readEdfHeader(const std::filesystem::path& file);

}  // namespace sgf
