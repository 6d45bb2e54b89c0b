#include "formats/InputFormats.h"

#include "brainvision/BrainVisionFormat.h"
#include "csv/CsvFormat.h"
#include "edf/EdfFormat.h"
#include "wfdb/WfdbFormat.h"

namespace sgf {

FormatRegistry& inputFormats() {
    static FormatRegistry registry = [] {
        FormatRegistry formats;
        formats.add(csvFormat());
        formats.add(edfFormat());
        formats.add(wfdbFormat());
        formats.add(brainVisionFormat());
        return formats;
    }();
    return registry;
}

std::string formatNames() {
    std::string names;
    for (const InputFormat& format : inputFormats().formats()) names += (names.empty() ? "" : ", ") + format.name;
    return names;
}

}  // namespace sgf
