#include "brainvision/MarkerAnnotations.h"

#include <fmt/format.h>

#include <algorithm>

namespace sgf::brainvision {

MarkerAnnotations annotationsOf(const std::vector<Marker>& markers, const SegmentTimes& times, double rate, std::size_t sampleCount) {
    MarkerAnnotations result;
    std::size_t pastTheEnd = 0, withoutText = 0;
    uint64_t firstPast = 0;
    for (const Marker& marker : markers) {
        std::string text = marker.type.empty() || marker.description.empty() ? marker.type + marker.description
                                                                             : marker.type + "/" + marker.description;
        // Nothing to show or write for it.
        if (text.empty()) {
            ++withoutText;
            continue;
        }
        if (marker.position > sampleCount) {
            if (pastTheEnd++ == 0) firstPast = marker.position;
        }
        const double duration = marker.size > 1 ? static_cast<double>(marker.size) / rate : 0.0;
        result.annotations.push_back({times.timeOfSample(marker.position - 1), duration, std::move(text)});
    }
    std::ranges::stable_sort(result.annotations, {}, &Annotation::onset);
    if (pastTheEnd > 0) {
        result.notes.push_back(fmt::format("{} marker{} after the last sample ({}), the first at sample {}: kept as annotations", pastTheEnd,
                                           pastTheEnd == 1 ? " lies" : "s lie", sampleCount, firstPast));
    }
    if (withoutText > 0) {
        result.notes.push_back(fmt::format("{} marker{} without type or description left out", withoutText, withoutText == 1 ? "" : "s"));
    }
    return result;
}

}  // namespace sgf::brainvision
