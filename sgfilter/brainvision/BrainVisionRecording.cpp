#include "brainvision/BrainVisionRecording.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "brainvision/BrainVisionMarkers.h"
#include "brainvision/ChannelScalings.h"
#include "brainvision/MarkerAnnotations.h"
#include "brainvision/Segments.h"

namespace sgf::brainvision {

namespace {

// The fewest decimals that write `seconds` exactly, to a nanosecond.
int decimalsOf(double seconds) {
    for (int decimals = 0; decimals < 9; ++decimals) {
        const double steps = seconds * std::pow(10.0, decimals);
        if (std::fabs(steps - std::round(steps)) < 1e-9 * std::max(1.0, std::fabs(steps))) return decimals;
    }
    return 9;
}

// Enough to write every row's time: one sample interval's, and every segment's first time (a
// date's microseconds).
int timeDecimalsOf(double interval, const std::vector<SegmentStart>& starts) {
    int decimals = decimalsOf(interval);
    for (const SegmentStart& start : starts) decimals = std::max(decimals, decimalsOf(start.time));
    return decimals;
}

// The format's digital range, which a 16-bit output keeps; int32 channels have none it could.
std::optional<SignalRange> recordedRangeOf(SampleType type, double resolution) {
    if (type != SampleType::int16 && type != SampleType::uint16) return std::nullopt;
    const double least = type == SampleType::uint16 ? 0.0 : -32768.0;
    const double greatest = type == SampleType::uint16 ? 65535.0 : 32767.0;
    return SignalRange{least * resolution, greatest * resolution, least, greatest};
}

int storedBitsOf(SampleType type) {
    switch (type) {
        case SampleType::int16:
        case SampleType::uint16: return 16;
        case SampleType::int32: return 32;
        case SampleType::float32: return 0;
    }
    return 0;
}

}  // namespace

BrainVisionRecording::BrainVisionRecording(const std::filesystem::path& header, const ChannelChoice& choose)
    : header_(readBrainVisionHeader(header)), samples_(header_, header) {
    describe(header);
    page(choose(description_));
}

void BrainVisionRecording::describe(const std::filesystem::path& file) {
    const double rate = 1e6 / header_.samplingInterval;
    const std::size_t sampleCount = samples_.sampleCount();
    std::vector<Marker> markers;
    if (header_.markerFile) markers = readBrainVisionMarkers(*header_.markerFile, file);
    Segments segments = segmentsOf(markers, sampleCount, rate);
    times_ = std::make_unique<SegmentTimes>(segments.starts, rate);
    MarkerAnnotations marked = annotationsOf(markers, *times_, rate, sampleCount);

    description_.file = file;
    description_.format = "BrainVision";
    description_.start = segments.start;
    description_.annotations = std::move(marked.annotations);
    description_.notes = std::move(segments.notes);
    description_.notes.insert(description_.notes.end(), marked.notes.begin(), marked.notes.end());
    const SampleType type = header_.sampleType;
    for (const HeaderChannel& channel : header_.channels) {
        // A float32 or int32 channel's scaling is known once its data has been read, where it is read.
        description_.channels.push_back({channel.label, channel.units, rate, sampleCount, scalingOf(type, channel, 0.0), channel.resolution,
                                         recordedRangeOf(type, channel.resolution), storedBitsOf(type)});
    }

    const double interval = header_.samplingInterval * 1e-6;
    layout_.sampleInterval = interval;
    for (std::size_t index = 0; index < segments.starts.size(); ++index) {
        const std::size_t first = segments.starts[index].firstRow;
        const std::size_t end = index + 1 < segments.starts.size() ? segments.starts[index + 1].firstRow : sampleCount;
        layout_.runs.push_back({first, end - first});
    }
    tickRate_ = rate;
    rates_ = {{interval, 1, timeDecimalsOf(interval, segments.starts), times_.get()}};
}

void BrainVisionRecording::page(const std::vector<int>& chosen) {
    const std::size_t channelCount = description_.channels.size();
    channelRates_.assign(channelCount, std::nullopt);
    inverseBase_.assign(channelCount, 1.0);
    std::vector<std::size_t> read;
    for (const int number : chosen) {
        if (number < 1 || static_cast<std::size_t>(number) > channelCount) {
            throw std::out_of_range(fmt::format("channel {} of {} chosen", number, channelCount));
        }
        const auto channel = static_cast<std::size_t>(number - 1);
        if (!channelRates_[channel]) read.push_back(channel);
        channelRates_[channel] = 0;
    }
    if (needsLargestValue(header_.sampleType) && !read.empty()) {
        const std::vector<double> largest = samples_.largestMagnitudes(read);
        for (std::size_t index = 0; index < read.size(); ++index) {
            description_.channels[read[index]].scaling = scalingOf(header_.sampleType, header_.channels[read[index]], largest[index]);
        }
    }
    for (std::size_t channel = 0; channel < channelCount; ++channel) {
        inverseBase_[channel] = 1.0 / description_.channels[channel].scaling.baseFactor;
    }
}

void BrainVisionRecording::readStored(std::size_t channel, std::size_t firstSample, std::span<float> values) const {
    samples_.read(channel, firstSample, values, inverseBase_.at(channel));
}

}  // namespace sgf::brainvision
