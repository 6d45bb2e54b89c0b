// Writes sgfilter's outputs as EDF+ (16-bit) or BDF+ (24-bit): the host's stored values in units,
// block after block, through the EDF+ writer, which was told the runs of data up front.
#pragma once

#include <span>
#include <vector>

#include "edf/EdfPlusWriter.h"
#include "output/ResultWriter.h"
#include "input/UnitsConversion.h"
#include "input/UnitsText.h"

namespace sgf {

class EdfResultWriter final : public ResultWriter {
public:
    // `conversions` turn each signal's stored values into units. The caller commits the file once
    // everything it writes has succeeded.
    EdfResultWriter(AtomicOutputFile& file, EdfPlusContents contents, std::vector<UnitsConversion> conversions);

    // The times do not count: the records' onsets come from the runs, and each signal has the
    // samples of its own rate.
    void writeRows(std::span<const double> times, std::span<const std::span<const float>> columns) override;
    void finish() override { writer_.finish(); }

private:
    EdfPlusWriter writer_;
    std::vector<UnitsConversion> conversions_;
    std::vector<std::vector<double>> units_;
};

}  // namespace sgf
