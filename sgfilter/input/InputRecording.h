// A recording opened for the host, whatever its format: its description, where its data runs, the
// time of every row, and its samples, paged by the host's block store from wherever the format
// keeps them (a CSV's staging files, an EDF's data records, a WFDB record's signal files).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "input/RecordingDescription.h"
#include "input/RowsAtRate.h"
#include "input/RunLayout.h"

namespace sgf {

class InputRecording {
public:
    virtual ~InputRecording() = default;

    const RecordingDescription& description() const { return description_; }
    // The runs of data, in ticks.
    const RunLayout& layout() const { return layout_; }
    // Ticks per second, exact where the format knows it better than 1 / layout().sampleInterval.
    double tickRate() const { return tickRate_ > 0 ? tickRate_ : 1.0 / layout_.sampleInterval; }
    // The rates of the channels read, the first channel's first: ticks are the finest stretch of
    // time that holds a whole number of samples of each.
    const std::vector<RowsAtRate>& rates() const { return rates_; }
    // Which of those rates each channel (from 0) is paged at; nothing for one that cannot be
    // paged (at another rate, or not read).
    const std::vector<std::optional<std::size_t>>& channelRates() const { return channelRates_; }

    // Channel `channel`'s (from 0) stored values of its own samples `firstSample` on: the values
    // its scaling turns into units. Called for paged channels only, from one thread at a time.
    // Throws InputError where the file cannot be read.
    virtual void readStored(std::size_t channel, std::size_t firstSample, std::span<float> values) const = 0;

protected:
    InputRecording() = default;

    RecordingDescription description_;
    RunLayout layout_{};
    double tickRate_ = 0.0;
    std::vector<RowsAtRate> rates_;
    std::vector<std::optional<std::size_t>> channelRates_;
};

// Sees the channels before any sample is read, so a command that cannot apply to them fails before
// a long file is read, and answers which of them (numbered from 1) are read: their rates are the
// rates paged, and a format may leave the others unread.
using ChannelChoice = std::function<std::vector<int>(const RecordingDescription&)>;

}  // namespace sgf
