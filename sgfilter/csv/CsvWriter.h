// Writes computed channels as CSV: the time column, then one column per channel with its values
// in units, each written with its channel's number of decimals. Rows come a stretch at a time,
// so a long recording is written without being held.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "io/AtomicOutputFile.h"
#include "io/BufferedWriter.h"
#include "output/ResultWriter.h"
#include "input/UnitsConversion.h"
#include "input/UnitsText.h"

namespace sgf {

struct OutputColumn {
    std::string header;  // "title (units)"
    int decimals;
    UnitsConversion conversion;
};

class CsvWriter final : public ResultWriter {
public:
    // Writes the header row. The caller commits the file once everything it writes has succeeded.
    CsvWriter(AtomicOutputFile& file, const std::string& timeHeader, int timeDecimals,
              std::vector<OutputColumn> columns);

    // Consecutive rows: their times in seconds, and each column's stored values of those rows.
    void writeRows(std::span<const double> times, std::span<const std::span<const float>> columns) override;
    // Writes whatever is buffered.
    void finish() override { writer_.flush(); }

private:
    BufferedWriter writer_;
    int timeDecimals_;
    std::vector<OutputColumn> columns_;
    std::size_t rowRoom_;  // the most text one row can take
};

}  // namespace sgf
