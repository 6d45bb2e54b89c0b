// The time column of a recording, read in order from any row: long recordings keep it on disk.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace sgf {

struct TimeColumn {
    std::filesystem::path file;  // named in messages
    std::size_t rowCount;
    int decimals;                     // the most places any time was written with
    std::vector<std::size_t> breaks;  // rows, in increasing order, that do not continue the row before
    std::function<void(std::size_t firstRow, std::span<double> times)> read;
};

}  // namespace sgf
