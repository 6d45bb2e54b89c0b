// A WFDB record opened for the host. The host's runs are shared by all the channels read and tile
// its rows, so a frame in which any channel read has no recorded sample (its format's invalid
// value, an empty segment, a signal its segment lacks) is no row at all: rows are the frames every
// channel read has, a run ends where frames were left out, and a row's time comes from its frame's
// number (frame / sampling frequency from the record's start). Signals at several rates (several
// samples per frame) have ticks as EDF's data records do: the finest stretch holding a whole number
// of samples of each rate read, the greatest common divisor of their samples per frame.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "input/InputRecording.h"
#include "input/RowTimes.h"
#include "wfdb/WfdbRecord.h"

namespace sgf {

class WfdbInputRecording final : public InputRecording {
public:
    // `annotator`: the extension of the annotation file beside the header ("atr"); where
    // `annotatorRequired`, its absence is an error, else it is read where it exists.
    WfdbInputRecording(const std::filesystem::path& header, const ChannelChoice& choose, const std::string& annotator,
                       bool annotatorRequired);

    void readStored(std::size_t channel, std::size_t firstSample, std::span<float> values) const override;

    // Frames every channel read has, one after another.
    struct ValidStretch {
        std::uint64_t firstFrame;
        std::uint64_t frames;
        std::uint64_t firstRow;  // in frames, of the rows
    };

private:
    // The time of each sample of one rate: from the frame it lies in.
    class FrameTimes final : public RowTimes {
    public:
        FrameTimes(const std::vector<ValidStretch>& stretches, double frameRate, std::size_t samplesPerFrame)
            : stretches_(stretches), frameRate_(frameRate), samplesPerFrame_(samplesPerFrame) {}
        void readTimes(std::size_t firstRow, std::span<double> times) const override;

    private:
        const std::vector<ValidStretch>& stretches_;
        double frameRate_;
        std::size_t samplesPerFrame_;
    };

    void describe(const std::filesystem::path& header, const std::string& annotator, bool annotatorRequired);
    void findValidFrames(const std::vector<std::size_t>& channels);
    void arrangeRates(const std::vector<std::size_t>& channels);

    WfdbRecord record_;
    std::vector<ValidStretch> stretches_;
    std::vector<std::unique_ptr<FrameTimes>> times_;
    std::size_t framesAtOnce_ = 1;  // decoded by one read
    mutable std::vector<std::int32_t> digital_;
};

// The stretch of `stretches` holding row `frameRow` (in frames).
std::vector<WfdbInputRecording::ValidStretch>::const_iterator stretchOfRow(const std::vector<WfdbInputRecording::ValidStretch>& stretches,
                                                                           std::uint64_t frameRow);

}  // namespace sgf
