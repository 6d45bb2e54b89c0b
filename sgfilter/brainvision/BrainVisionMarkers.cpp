#include "brainvision/BrainVisionMarkers.h"

#include <fmt/format.h>

#include "brainvision/FieldList.h"
#include "brainvision/IniText.h"
#include "brainvision/SegmentDate.h"
#include "brainvision/TextEncoding.h"
#include "util/Errors.h"
#include "util/Text.h"

namespace sgf::brainvision {

namespace {

bool isMarkerFileLine(std::string_view line) {
    for (const std::string_view brand : {"Brain Vision ", "BrainVision "}) {
        if (line.starts_with(brand)) {
            const std::string_view rest = line.substr(brand.size());
            return rest.starts_with("Data Exchange Marker File") || rest.starts_with("Core Data Format");
        }
    }
    return false;
}

}  // namespace

bool Marker::isNewSegment() const { return equalsIgnoringCase(type, "New Segment"); }

std::vector<Marker> readBrainVisionMarkers(const std::filesystem::path& file, const std::filesystem::path& header) {
    const IniText ini = IniText::read(file, fmt::format("marker file that {} names", header.string()));
    if (!isMarkerFileLine(ini.firstLine())) {
        throw InputError(file, 1, "is not a BrainVision marker file (its first line is not \"Brain Vision Data Exchange Marker File\")");
    }
    const std::optional<IniEntry> codepageEntry = ini.entry("Common Infos", "Codepage");
    const Codepage codepage = codepageOf(codepageEntry ? codepageEntry->value : "", ini.text(), file, codepageEntry ? codepageEntry->line : 0);
    std::vector<Marker> markers;
    for (const IniEntry& entry : ini.section("Marker Infos")) {
        if (!(entry.key.size() > 2 && equalsIgnoringCase(entry.key.substr(0, 2), "Mk") && wholeNumber<std::size_t>(std::string_view(entry.key).substr(2)))) {
            throw InputError(file, entry.line, fmt::format("{} is not a marker (Mk<number>=...)", entry.key));
        }
        const std::vector<std::string> fields = fieldsOf(entry.value);
        if (fields.size() < 3) throw InputError(file, entry.line, fmt::format("{} has no position", entry.key));
        Marker marker{utf8Of(trimmed(fields[0]), codepage, file, entry.line), utf8Of(trimmed(fields[1]), codepage, file, entry.line), 0, 1,
                      std::nullopt, entry.line};
        const std::optional<uint64_t> position = wholeNumber<uint64_t>(trimmed(fields[2]));
        if (!position || *position == 0) {
            throw InputError(file, entry.line, fmt::format("{}'s position \"{}\" is not a sample number (from 1)", entry.key, fields[2]));
        }
        marker.position = *position;
        if (fields.size() > 3 && !trimmed(fields[3]).empty()) {
            const std::optional<uint64_t> size = wholeNumber<uint64_t>(trimmed(fields[3]));
            if (!size) throw InputError(file, entry.line, fmt::format("{}'s size \"{}\" is not a number of samples", entry.key, fields[3]));
            marker.size = *size;
        }
        if (marker.isNewSegment() && fields.size() > 5 && !trimmed(fields[5]).empty() && !isUnknownDate(trimmed(fields[5]))) {
            marker.date = segmentDateOf(trimmed(fields[5]));
            if (!marker.date) {
                throw InputError(file, entry.line, fmt::format("{}'s date \"{}\" is not a date (YYYYMMDDhhmmssuuuuuu)", entry.key, fields[5]));
            }
        }
        markers.push_back(std::move(marker));
    }
    return markers;
}

}  // namespace sgf::brainvision
