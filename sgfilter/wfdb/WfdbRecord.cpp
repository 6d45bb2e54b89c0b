#include "wfdb/WfdbRecord.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "util/Errors.h"

namespace sgf {

namespace {

WfdbStorageFormat storageFormatOf(const std::filesystem::path& header, const WfdbSignalLine& line) {
    const std::optional<WfdbStorageFormat> format = wfdbStorageFormat(line.format);
    if (!format) throw InputError(header, 0, fmt::format("signal \"{}\" is in storage format {}, which is not read", line.description, line.format));
    return *format;
}

WfdbSignal signalOf(const WfdbSignalLine& line, const WfdbStorageFormat& format) {
    return {line.description, line.units,
            line.samplesPerFrame, line.gain,
            line.baseline,      line.adcResolution > 0 ? line.adcResolution : format.bits,
            line.adcZero,       format};
}

// A signal file's name is relative to its header's folder.
std::filesystem::path besideHeader(const std::filesystem::path& header, const std::string& name) {
    return header.parent_path() / name;
}

}  // namespace

WfdbRecord::WfdbRecord(const std::filesystem::path& header) : header_(readWfdbHeader(header)) {
    if (header_.multiSegment) {
        openMultiSegment(header);
    } else {
        segments_.push_back(openSegment(header, header_, signals_, frames_));
    }
    if (signals_.empty()) throw InputError(header, 0, "the record has no signals");
}

WfdbRecord::Segment WfdbRecord::openSegment(const std::filesystem::path& header, const WfdbHeader& read,
                                            std::vector<WfdbSignal>& signals, std::uint64_t& frames) const {
    Segment segment;
    struct FileSignals {
        std::string name;
        std::vector<std::size_t> signals;
    };
    std::vector<FileSignals> files;
    for (std::size_t index = 0; index < read.signals.size(); ++index) {
        const WfdbSignalLine& line = read.signals[index];
        signals.push_back(signalOf(line, storageFormatOf(header, line)));
        auto file = std::ranges::find(files, line.fileName, &FileSignals::name);
        if (file == files.end()) file = files.insert(files.end(), {line.fileName, {}});
        file->signals.push_back(index);
    }
    segment.sources.resize(read.signals.size());
    for (const FileSignals& file : files) {
        const WfdbSignalLine& first = read.signals[file.signals.front()];
        std::size_t frameSamples = 0;
        std::vector<int> samplesPerFrame;
        std::vector<std::int32_t> initialValues;
        for (const std::size_t index : file.signals) {
            const WfdbSignalLine& line = read.signals[index];
            if (line.format != first.format) {
                throw InputError(header, 0, fmt::format("signal file {} holds signals in formats {} and {}", file.name, first.format, line.format));
            }
            segment.sources[index] = Source{segment.files.size(), frameSamples, line.skew, line.gain, line.baseline};
            frameSamples += static_cast<std::size_t>(line.samplesPerFrame);
            samplesPerFrame.push_back(line.samplesPerFrame);
            initialValues.push_back(line.initialValue);
        }
        segment.files.push_back(std::make_unique<WfdbSignalFile>(besideHeader(header, file.name), storageFormatOf(header, first),
                                                                 first.byteOffset, samplesPerFrame, initialValues));
    }
    // Without a length in the header, the record is as long as its shortest file.
    if (read.frames) {
        frames = *read.frames;
        for (const auto& file : segment.files) {
            if (file->frames() < frames) {
                throw InputError(file->path(), 0, fmt::format("the signal file is truncated: it holds {} frames, its header {} gives {}",
                                                               file->frames(), header.filename().string(), frames));
            }
        }
    } else {
        frames = segment.files.empty() ? 0 : segment.files.front()->frames();
        for (const auto& file : segment.files) frames = std::min(frames, file->frames());
    }
    segment.frames = frames;
    return segment;
}

void WfdbRecord::openMultiSegment(const std::filesystem::path& header) {
    const bool variableLayout = !header_.segments.empty() && header_.segments.front().frames == 0;
    std::uint64_t at = 0;
    bool signalsKnown = false;
    for (std::size_t index = 0; index < header_.segments.size(); ++index) {
        const WfdbSegmentLine& line = header_.segments[index];
        if (line.recordName == "~") {
            Segment empty;
            empty.firstFrame = at;
            empty.frames = line.frames;
            segments_.push_back(std::move(empty));
            at += line.frames;
            continue;
        }
        const std::filesystem::path segmentHeader = besideHeader(header, line.recordName + ".hea");
        const WfdbHeader read = readWfdbHeader(segmentHeader);
        if (read.multiSegment) throw InputError(segmentHeader, 0, "a segment cannot itself have segments");
        if (variableLayout && index == 0) {
            // The layout header's signals have no files, and often format 0: the segments' formats
            // then decide, as does a resolution the layout leaves out.
            constexpr WfdbStorageFormat kSegmentsDecide{0, 0, 1, 1, false};
            for (const WfdbSignalLine& signal : read.signals) {
                WfdbSignal described = signalOf(signal, wfdbStorageFormat(signal.format).value_or(kSegmentsDecide));
                described.adcResolution = signal.adcResolution;
                signals_.push_back(described);
            }
            signalsKnown = true;
            continue;
        }
        std::vector<WfdbSignal> ownSignals;
        std::uint64_t frames = 0;
        Segment segment = openSegment(segmentHeader, read, ownSignals, frames);
        if (frames < line.frames) {
            throw InputError(segmentHeader, 0, fmt::format("the segment holds {} frames, the record's header {} gives it {}", frames,
                                                           header.filename().string(), line.frames));
        }
        if (std::fabs(read.frameRate - header_.frameRate) > 1e-9 * header_.frameRate) {
            throw InputError(segmentHeader, 0, fmt::format("the segment's sampling frequency {} Hz differs from the record's {} Hz",
                                                           read.frameRate, header_.frameRate));
        }
        if (!signalsKnown) {
            signals_ = ownSignals;
            signalsKnown = true;
        }
        // Each of the record's signals from the segment's signal at its place (fixed layout) or of
        // its description (variable layout).
        std::vector<std::optional<Source>> sources(signals_.size());
        std::vector<bool> taken(ownSignals.size(), false);
        for (std::size_t signal = 0; signal < signals_.size(); ++signal) {
            std::optional<std::size_t> own;
            if (!variableLayout) {
                if (ownSignals.size() != signals_.size()) {
                    throw InputError(segmentHeader, 0, fmt::format("the segment has {} signals, the record's fixed layout {}", ownSignals.size(),
                                                                   signals_.size()));
                }
                own = signal;
            } else {
                for (std::size_t candidate = 0; candidate < ownSignals.size() && !own; ++candidate) {
                    if (!taken[candidate] && ownSignals[candidate].label == signals_[signal].label) own = candidate;
                }
            }
            if (!own) continue;
            taken[*own] = true;
            const WfdbSignal& ownSignal = ownSignals[*own];
            if (ownSignal.samplesPerFrame != signals_[signal].samplesPerFrame) {
                throw InputError(segmentHeader, 0, fmt::format("signal \"{}\" has {} samples per frame here, {} in the record", ownSignal.label,
                                                               ownSignal.samplesPerFrame, signals_[signal].samplesPerFrame));
            }
            sources[signal] = segment.sources[*own];
            // A signal takes the widest format any segment stores it in, so its scaling holds them all.
            if (ownSignal.format.bits > signals_[signal].format.bits) {
                const int resolution = signals_[signal].adcResolution;
                signals_[signal].format = ownSignal.format;
                signals_[signal].adcResolution = resolution > 0 ? resolution : ownSignal.format.bits;
            }
        }
        segment.sources = std::move(sources);
        segment.firstFrame = at;
        segment.frames = line.frames;
        segments_.push_back(std::move(segment));
        at += line.frames;
    }
    for (WfdbSignal& signal : signals_) {
        if (signal.format.bits == 0) signal.format = *wfdbStorageFormat(16);  // in no segment: never read
        if (signal.adcResolution <= 0) signal.adcResolution = signal.format.bits;
    }
    frames_ = at;
}

void WfdbRecord::readDigital(std::size_t signal, std::uint64_t firstFrame, std::size_t count, std::span<std::int32_t> out) const {
    const auto perFrame = static_cast<std::size_t>(signals_.at(signal).samplesPerFrame);
    if (firstFrame + count > frames_ || out.size() < count * perFrame) {
        throw std::out_of_range("frames past the end of the record " + header_.recordName);
    }
    auto segment = std::ranges::upper_bound(segments_, firstFrame, {}, &Segment::firstFrame) - 1;
    for (std::size_t done = 0; done < count; ++segment) {
        const std::uint64_t frame = firstFrame + done;
        const std::size_t here = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, segment->firstFrame + segment->frames - frame));
        readFromSegment(*segment, signal, frame - segment->firstFrame, here, out.subspan(done * perFrame, here * perFrame));
        done += here;
    }
}

std::uint64_t WfdbRecord::pastAbsence(std::size_t signal, std::uint64_t frame) const {
    if (frame >= frames_) return frame;
    const auto segment = std::ranges::upper_bound(segments_, frame, {}, &Segment::firstFrame) - 1;
    const bool present = signal < segment->sources.size() && segment->sources[signal];
    return present ? frame : segment->firstFrame + segment->frames;
}

void WfdbRecord::readFromSegment(const Segment& segment, std::size_t signal, std::uint64_t firstFrame, std::size_t count,
                                 std::span<std::int32_t> out) const {
    const std::size_t samples = count * static_cast<std::size_t>(signals_[signal].samplesPerFrame);
    std::fill_n(out.begin(), samples, kWfdbInvalid);
    // An empty segment has no sources at all.
    if (signal >= segment.sources.size() || !segment.sources[signal]) return;
    const Source* source = &*segment.sources[signal];
    const WfdbSignalFile& file = *segment.files[source->file];
    const std::uint64_t fileFirst = firstFrame + static_cast<std::uint64_t>(source->skew);
    if (fileFirst >= file.frames()) return;
    // A skewed signal's last samples lie past its file's end: not recorded.
    const auto inFile = static_cast<std::size_t>(std::min<std::uint64_t>(count, file.frames() - fileFirst));
    const std::size_t frameSamples = file.frameSamples();
    const std::span<const std::int32_t> decoded = file.frames(fileFirst, inFile);
    const auto perFrame = static_cast<std::size_t>(signals_[signal].samplesPerFrame);
    const std::int32_t* from = decoded.data() + source->position;
    std::int32_t* to = out.data();
    if (perFrame == 1) {
        for (std::size_t frame = 0; frame < inFile; ++frame) to[frame] = from[frame * frameSamples];
    } else {
        for (std::size_t frame = 0; frame < inFile; ++frame) std::copy_n(from + frame * frameSamples, perFrame, to + frame * perFrame);
    }
    const WfdbSignal& wanted = signals_[signal];
    if (source->gain == wanted.gain && source->baseline == wanted.baseline) return;
    const double scale = wanted.gain / source->gain;
    const auto least = static_cast<double>(wanted.format.least()), largest = static_cast<double>(wanted.format.largest());
    for (std::size_t sample = 0; sample < inFile * perFrame; ++sample) {
        if (to[sample] == kWfdbInvalid) continue;
        const double rescaled = std::round((to[sample] - source->baseline) * scale) + wanted.baseline;
        to[sample] = static_cast<std::int32_t>(std::clamp(rescaled, least, largest));
    }
}

}  // namespace sgf
