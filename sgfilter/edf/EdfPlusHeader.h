// The header of an EDF+ or BDF+ file: the fixed fields, then each field for every data signal and
// the annotation signal in turn.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "edf/EdfPlusContents.h"
#include "edf/EdfPlusRecordSize.h"

namespace sgf {

// A signal's physical range as the header writes it, and the values a reader takes from that text.
struct WrittenPhysicalRange {
    std::string minimumText, maximumText;
    double minimum, maximum;
};

// Throws UsageError naming the signal when its range cannot be written in 8 characters.
WrittenPhysicalRange writtenPhysicalRangeOf(const EdfPlusSignal& signal);

struct EdfPlusRecordLayout {
    std::size_t recordCount;
    EdfPlusRecordSize size;
    std::size_t annotationSamples;
};

std::string edfPlusHeader(const EdfPlusContents& contents, const std::vector<WrittenPhysicalRange>& ranges,
                          const EdfPlusRecordLayout& layout);

}  // namespace sgf
