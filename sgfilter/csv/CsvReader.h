// Reads a recording from CSV: a header row, then rows of time in seconds and one value per
// channel. Headers are `name` or `name (units)`. Every problem is an InputError that names the
// file and the line. "-" reads standard input.
#pragma once

#include <filesystem>
#include <functional>

#include "csv/CsvSummary.h"
#include "staging/RowSink.h"

namespace sgf {

// Reads the whole file once, in order, handing each row to `rows` and each blank line as a break.
// `checkHeader` sees the columns before any row is read, so a command that cannot apply to them
// fails before a long file is read.
CsvSummary readCsv(const std::filesystem::path& file, RowSink& rows,
                   const std::function<void(const CsvSummary&)>& checkHeader = {});
// The header alone: the channels' names and units.
CsvSummary readCsvHeader(const std::filesystem::path& file);

}  // namespace sgf
