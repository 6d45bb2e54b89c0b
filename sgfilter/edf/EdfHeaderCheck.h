// The fixed fields of an EDF or BDF header, checked before the file goes to the reading library,
// so a damaged file is refused with a message that names the file and what is wrong with it,
// rather than read as whatever the library makes of it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "input/StartAndAnnotations.h"

namespace sgf {

struct SignalHeader {
    std::string label;
    std::string units;
    double physicalMinimum, physicalMaximum;
    double digitalMinimum, digitalMaximum;
    std::size_t samplesPerRecord;
    bool isAnnotations;
};

struct EdfHeader {
    bool is24Bit;
    // EDF+ or BDF+ (its reserved field says so): an annotation signal keeps each record's onset.
    // A plain EDF or BDF has no annotations, and its records follow one another.
    bool isPlus;
    std::size_t headerBytes;
    StartDateTime start;
    std::size_t recordCount;
    double recordDuration;  // seconds
    std::vector<SignalHeader> signals;
    std::size_t bytesPerRecord = 0;
};

// Throws InputError naming the file: a header that does not describe the file's size, fields
// that are not numbers, labels or units with bytes outside printable ASCII, a signal whose
// digital or physical range is empty, a record duration that is not above 0 s where there are
// data signals (an EDF+ file of annotations alone may have records of 0 s). Messages name the
// file `shownAs`.
EdfHeader checkEdfHeader(const std::filesystem::path& file, const std::filesystem::path& shownAs);

}  // namespace sgf
