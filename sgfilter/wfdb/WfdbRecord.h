// A WFDB record's signals, read from their files as digital values in each signal's own scaling,
// whether the record is one segment or several. A multi-segment record's segments follow one another
// in frames; its signals are those of its first segment (fixed layout) or of its layout header
// (variable layout: the first segment, of length 0, whose signals have no files), and each segment's
// signal is found by position or by description. A segment whose gain or baseline differs from the
// signal's has its digital values rescaled to the signal's, rounded to the nearest step: within
// half a step of the value its own header gives. An empty segment ("~"), a signal a segment lacks,
// a sample a skew puts past its file's end, and a format's invalid value all read as kWfdbInvalid.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "wfdb/WfdbHeader.h"
#include "wfdb/WfdbSignalFile.h"
#include "wfdb/WfdbStorageFormat.h"

namespace sgf {

struct WfdbSignal {
    std::string label;
    std::string units;
    int samplesPerFrame;
    double gain;
    int baseline;
    int adcResolution;  // bits, the format's own where the header gives none
    int adcZero;
    WfdbStorageFormat format;  // the widest its segments store it in
};

class WfdbRecord {
public:
    // `header`: the record's .hea. Throws InputError naming the file at fault: a header, a
    // missing signal file, a signal file shorter than its header says.
    explicit WfdbRecord(const std::filesystem::path& header);

    const WfdbHeader& header() const { return header_; }
    const std::vector<WfdbSignal>& signals() const { return signals_; }
    std::uint64_t frames() const { return frames_; }
    // Signal `signal`'s samples of frames `firstFrame` to `firstFrame + count - 1`: samplesPerFrame
    // values per frame into `out`.
    void readDigital(std::size_t signal, std::uint64_t firstFrame, std::size_t count, std::span<std::int32_t> out) const;
    // Where `frame` lies in a segment that lacks signal `signal` (an empty one, say), the frame
    // after that segment; else `frame`: however long an empty segment, it is passed at once.
    std::uint64_t pastAbsence(std::size_t signal, std::uint64_t frame) const;

private:
    struct Source {
        std::size_t file;      // of the segment's files
        std::size_t position;  // of the signal's first sample in the file's frame
        int skew;
        double gain;
        int baseline;
    };
    struct Segment {
        std::uint64_t firstFrame = 0, frames = 0;
        std::vector<std::unique_ptr<WfdbSignalFile>> files;
        std::vector<std::optional<Source>> sources;  // per signal of the record; none in an empty segment
    };

    // The segment of one header: its signals' files opened, its signals as its header gives them.
    Segment openSegment(const std::filesystem::path& header, const WfdbHeader& read, std::vector<WfdbSignal>& signals,
                        std::uint64_t& frames) const;
    void openMultiSegment(const std::filesystem::path& header);
    void readFromSegment(const Segment& segment, std::size_t signal, std::uint64_t firstFrame, std::size_t count,
                         std::span<std::int32_t> out) const;

    WfdbHeader header_;
    std::vector<WfdbSignal> signals_;
    std::vector<Segment> segments_;
    std::uint64_t frames_ = 0;
};

}  // namespace sgf
