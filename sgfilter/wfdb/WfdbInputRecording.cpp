#include "wfdb/WfdbInputRecording.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "input/DigitalScaling.h"
#include "util/Errors.h"
#include "wfdb/WfdbAnnotations.h"

namespace sgf {

namespace {

// Samples of all signals decoded at a time: enough that a pread's cost vanishes, few enough to stay in cache.
constexpr std::size_t kSamplesAtOnce = std::size_t{1} << 16;

// The fewest decimals that write every sample time of the rate exactly, where there are any.
int wfdbTimeDecimals(double sampleRate) {
    for (int decimals = 0; decimals < 9; ++decimals) {
        const double steps = std::pow(10.0, decimals) / sampleRate;
        if (std::fabs(steps - std::round(steps)) < 1e-9) return decimals;
    }
    return 9;
}

// The ADC's range is 2^resolution steps centred on its zero, within what the format stores.
SignalRange recordedRangeOf(const WfdbSignal& signal) {
    const double half = std::exp2(signal.adcResolution - 1);
    const double least = std::max(static_cast<double>(signal.adcZero) - half, static_cast<double>(signal.format.least()));
    const double largest = std::min(static_cast<double>(signal.adcZero) + half - 1, static_cast<double>(signal.format.largest()));
    const auto physical = [&](double digital) { return (digital - signal.baseline) / signal.gain; };
    return {physical(least), physical(largest), least, largest};
}

sg::ChannelScaling scalingOf(const WfdbSignal& signal) {
    // Format 8's values are sums of differences, bounded by no field: they are given 16 bits.
    const int bits = signal.format.firstDifferences ? 16 : signal.format.bits;
    const double largest = std::max(std::exp2(bits - 1), std::fabs(signal.adcZero) + std::exp2(signal.adcResolution - 1));
    return digitalScaling(largest, 1.0 / signal.gain, -signal.baseline / signal.gain, signal.units);
}

}  // namespace

std::vector<WfdbInputRecording::ValidStretch>::const_iterator stretchOfRow(const std::vector<WfdbInputRecording::ValidStretch>& stretches,
                                                                           std::uint64_t frameRow) {
    auto stretch = std::ranges::upper_bound(stretches, frameRow, {}, &WfdbInputRecording::ValidStretch::firstRow);
    if (stretch == stretches.begin()) throw std::out_of_range("a row before the record's first");
    --stretch;
    if (frameRow >= stretch->firstRow + stretch->frames) throw std::out_of_range("a row past the record's last");
    return stretch;
}

WfdbInputRecording::WfdbInputRecording(const std::filesystem::path& header, const ChannelChoice& choose, const std::string& annotator,
                                       bool annotatorRequired)
    : record_(header) {
    std::size_t frameSamples = 0;
    for (const WfdbSignal& signal : record_.signals()) frameSamples += static_cast<std::size_t>(signal.samplesPerFrame);
    framesAtOnce_ = std::max<std::size_t>(1, kSamplesAtOnce / frameSamples);
    describe(header, annotator, annotatorRequired);
    std::vector<std::size_t> channels;
    for (const int number : choose(description_)) {
        if (number < 1 || static_cast<std::size_t>(number) > record_.signals().size()) {
            throw std::out_of_range(fmt::format("channel {} of a record of {} signals", number, record_.signals().size()));
        }
        if (std::ranges::find(channels, static_cast<std::size_t>(number - 1)) == channels.end()) channels.push_back(static_cast<std::size_t>(number - 1));
    }
    // A command that reads no channel still sees the rate and runs of the first.
    if (channels.empty()) channels.push_back(0);
    findValidFrames(channels);
    arrangeRates(channels);
}

void WfdbInputRecording::describe(const std::filesystem::path& header, const std::string& annotator, bool annotatorRequired) {
    const WfdbHeader& read = record_.header();
    description_.file = header;
    description_.format = "WFDB";
    for (const WfdbSignal& signal : record_.signals()) {
        InputChannel channel;
        channel.label = signal.label;
        channel.units = signal.units;
        channel.rate = read.frameRate * signal.samplesPerFrame;
        channel.sampleCount = static_cast<std::size_t>(record_.frames() * static_cast<std::uint64_t>(signal.samplesPerFrame));
        channel.scaling = scalingOf(signal);
        channel.resolution = 1.0 / std::fabs(signal.gain);
        channel.recordedRange = recordedRangeOf(signal);
        channel.storedBits = signal.format.bits;
        description_.channels.push_back(channel);
    }
    if (read.baseDate && read.baseTime) {
        const double whole = std::floor(*read.baseTime);
        const auto seconds = static_cast<int>(whole);
        description_.start = StartDateTime{read.baseDate->year, read.baseDate->month, read.baseDate->day, seconds / 3600,
                                           seconds / 60 % 60, seconds % 60, *read.baseTime - whole};
    } else if (read.baseTime) {
        // A time of day without a day is no start a date-time can hold: times count from the record's start.
        const double whole = std::floor(*read.baseTime);
        const auto seconds = static_cast<long long>(whole);
        description_.notes.push_back(fmt::format("the header gives a base time ({}:{:02}:{:02}{}) but no date: "
                                                 "times count from the record's start",
                                                 seconds / 3600, seconds / 60 % 60, seconds % 60,
                                                 *read.baseTime > whole ? fmt::format("{:.3f}", *read.baseTime - whole).substr(1) : ""));
    }
    if (read.counterFrequency > 0) {
        description_.notes.push_back(fmt::format("counter frequency {} Hz, base counter value {}", read.counterFrequency, read.baseCounter));
    }
    for (const std::string& comment : read.comments) description_.notes.push_back("header comment: " + comment);
    std::filesystem::path annotations = header;
    annotations.replace_extension("." + annotator);
    std::error_code error;
    if (std::filesystem::is_regular_file(annotations, error)) {
        description_.annotations = readWfdbAnnotations(annotations, read.frameRate);
    } else if (annotatorRequired) {
        throw InputError(annotations, 0, "cannot open the annotation file: No such file");
    }
}

void WfdbInputRecording::findValidFrames(const std::vector<std::size_t>& channels) {
    std::vector<char> valid;
    std::uint64_t rows = 0;
    for (std::uint64_t first = 0; first < record_.frames();) {
        std::uint64_t present = first;
        for (const std::size_t channel : channels) present = std::max(present, record_.pastAbsence(channel, first));
        if (present > first) {
            first = present;
            continue;
        }
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(framesAtOnce_, record_.frames() - first));
        valid.assign(count, 1);
        for (const std::size_t channel : channels) {
            const auto perFrame = static_cast<std::size_t>(record_.signals()[channel].samplesPerFrame);
            digital_.resize(count * perFrame);
            record_.readDigital(channel, first, count, digital_);
            // Branch-free: most frames are valid.
            if (perFrame == 1) {
                for (std::size_t frame = 0; frame < count; ++frame) {
                    valid[frame] = static_cast<char>(valid[frame] & static_cast<char>(digital_[frame] != kWfdbInvalid));
                }
                continue;
            }
            for (std::size_t frame = 0; frame < count; ++frame) {
                for (std::size_t sample = frame * perFrame; sample < (frame + 1) * perFrame; ++sample) {
                    valid[frame] = static_cast<char>(valid[frame] & static_cast<char>(digital_[sample] != kWfdbInvalid));
                }
            }
        }
        // Stretches of valid frames at once, one continuing the stretch before where it ended here.
        for (std::size_t frame = 0; frame < count;) {
            if (valid[frame] == 0) {
                ++frame;
                continue;
            }
            const auto end = static_cast<std::size_t>(std::find(valid.begin() + static_cast<std::ptrdiff_t>(frame), valid.end(), 0) - valid.begin());
            if (stretches_.empty() || stretches_.back().firstFrame + stretches_.back().frames != first + frame) {
                stretches_.push_back({first + frame, 0, rows});
            }
            stretches_.back().frames += end - frame;
            rows += end - frame;
            frame = end;
        }
        first += count;
    }
    const std::uint64_t leftOut = record_.frames() - rows;
    if (leftOut > 0) {
        description_.notes.push_back(fmt::format("{} of {} frames have no recorded sample of a channel read (the format's invalid "
                                                 "value or an empty segment) and are left out: the data falls into {} runs",
                                                 leftOut, record_.frames(), stretches_.size()));
    }
    for (const std::size_t channel : channels) {
        description_.channels[channel].sampleCount = static_cast<std::size_t>(rows * static_cast<std::uint64_t>(record_.signals()[channel].samplesPerFrame));
    }
}

void WfdbInputRecording::arrangeRates(const std::vector<std::size_t>& channels) {
    const double frameRate = record_.header().frameRate;
    std::vector<std::size_t> perFrame;
    std::size_t ticksPerFrame = 0;
    for (const std::size_t channel : channels) {
        const auto samples = static_cast<std::size_t>(record_.signals()[channel].samplesPerFrame);
        if (std::ranges::find(perFrame, samples) == perFrame.end()) perFrame.push_back(samples);
        ticksPerFrame = std::gcd(ticksPerFrame, samples);
    }
    for (const std::size_t samples : perFrame) {
        const FrameTimes& times = *times_.emplace_back(std::make_unique<FrameTimes>(stretches_, frameRate, samples));
        const double rate = frameRate * static_cast<double>(samples);
        rates_.push_back({1.0 / rate, samples / ticksPerFrame, wfdbTimeDecimals(rate), &times});
    }
    channelRates_.assign(record_.signals().size(), std::nullopt);
    for (const std::size_t channel : channels) {
        const auto samples = static_cast<std::size_t>(record_.signals()[channel].samplesPerFrame);
        channelRates_[channel] = static_cast<std::size_t>(std::ranges::find(perFrame, samples) - perFrame.begin());
    }
    tickRate_ = frameRate * static_cast<double>(ticksPerFrame);
    layout_.sampleInterval = 1.0 / tickRate_;
    for (const ValidStretch& stretch : stretches_) {
        layout_.runs.push_back({static_cast<std::size_t>(stretch.firstRow * ticksPerFrame), static_cast<std::size_t>(stretch.frames * ticksPerFrame)});
    }
}

void WfdbInputRecording::readStored(std::size_t channel, std::size_t firstSample, std::span<float> values) const {
    const auto perFrame = static_cast<std::size_t>(record_.signals().at(channel).samplesPerFrame);
    // A power of two: dividing by it is exact.
    const double inverseBase = 1.0 / description_.channels[channel].scaling.baseFactor;
    for (std::size_t done = 0; done < values.size();) {
        const std::uint64_t sample = firstSample + done;
        const std::uint64_t frameRow = sample / perFrame;
        const auto within = static_cast<std::size_t>(sample % perFrame);
        const auto stretch = stretchOfRow(stretches_, frameRow);
        const std::uint64_t frame = stretch->firstFrame + (frameRow - stretch->firstRow);
        const std::size_t wanted = (within + values.size() - done + perFrame - 1) / perFrame;
        const auto frames = static_cast<std::size_t>(std::min<std::uint64_t>({wanted, framesAtOnce_, stretch->firstFrame + stretch->frames - frame}));
        digital_.resize(frames * perFrame);
        record_.readDigital(channel, frame, frames, digital_);
        const std::size_t count = std::min(frames * perFrame - within, values.size() - done);
        for (std::size_t index = 0; index < count; ++index) {
            values[done + index] = static_cast<float>(digital_[within + index] * inverseBase);
        }
        done += count;
    }
}

void WfdbInputRecording::FrameTimes::readTimes(std::size_t firstRow, std::span<double> times) const {
    const double sampleRate = frameRate_ * static_cast<double>(samplesPerFrame_);
    for (std::size_t done = 0; done < times.size();) {
        const std::uint64_t sample = firstRow + done;
        const std::uint64_t frameRow = sample / samplesPerFrame_;
        const auto stretch = stretchOfRow(stretches_, frameRow);
        // The stretch's samples, counted from the record's first frame.
        const std::uint64_t stretchSample = stretch->firstFrame * samplesPerFrame_;
        const std::uint64_t stretchRow = stretch->firstRow * samplesPerFrame_;
        const std::uint64_t stretchEnd = stretchRow + stretch->frames * samplesPerFrame_;
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(times.size() - done, stretchEnd - sample));
        for (std::size_t index = 0; index < count; ++index) {
            times[done + index] = static_cast<double>(stretchSample + (sample + index - stretchRow)) / sampleRate;
        }
        done += count;
    }
}

}  // namespace sgf
