// Reads a recording from CSV: a header row, then rows of time in seconds and one value per
// channel. Headers are `name` or `name (units)`. Every problem is an InputError that names the
// file and the line.
#pragma once

#include <filesystem>

#include "csv/CsvTable.h"

namespace sgf {

CsvTable readCsv(const std::filesystem::path& file);

}  // namespace sgf
