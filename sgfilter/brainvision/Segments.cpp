#include "brainvision/Segments.h"

#include <fmt/format.h>

#include <algorithm>

#include "brainvision/SegmentDate.h"

namespace sgf::brainvision {

Segments segmentsOf(const std::vector<Marker>& markers, std::size_t sampleCount, double rate) {
    Segments segments;
    std::vector<const Marker*> later;
    for (const Marker& marker : markers) {
        if (!marker.isNewSegment()) continue;
        if (marker.position == 1) {
            if (!segments.start && marker.date) segments.start = marker.date;
        } else if (marker.position <= sampleCount) {
            later.push_back(&marker);
        }
    }
    std::ranges::stable_sort(later, {}, &Marker::position);
    // Times count from the start's whole second, as an EDF+ file's record onsets do: the first
    // sample comes the start's fraction of a second after it.
    const double firstTime = segments.start ? segments.start->fraction : 0.0;
    segments.starts.push_back({0, firstTime});
    bool datedWithoutStart = false;
    for (const Marker* marker : later) {
        const auto row = static_cast<std::size_t>(marker->position - 1);
        if (row == segments.starts.back().firstRow) continue;  // two markers for one segment
        const SegmentStart& before = segments.starts.back();
        const double following = before.time + static_cast<double>(row - before.firstRow) / rate;
        double time = following;
        if (marker->date && !segments.start) {
            datedWithoutStart = true;
        } else if (marker->date) {
            const double dated = firstTime + secondsBetween(*segments.start, *marker->date);
            // Within half a sample the segment follows on; a date before that cannot be a pause.
            if (dated < following - 0.5 / rate) {
                segments.notes.push_back(fmt::format("the New Segment at sample {} is dated {:.6f} s before the end of the "
                                                     "segment before it: its time follows on from there",
                                                     marker->position, following - dated));
            } else if (dated > following + 0.5 / rate) {
                time = dated;
            }
        }
        segments.starts.push_back({row, time});
    }
    if (datedWithoutStart) {
        segments.notes.push_back("New Segments are dated but the first sample is not: their times follow on from the segments before them");
    }
    return segments;
}

}  // namespace sgf::brainvision
