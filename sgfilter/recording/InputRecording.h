// The recording a filter job reads, whichever its format, as the host gets it: its channels and
// their scalings, where its data runs, the time of every row, and its samples. A CSV is read once,
// in order, into staging files; an EDF or BDF file is block-structured and stays where it is, the
// host paging its samples straight from its data records.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "csv/CsvSummary.h"
#include "csv/RunLayout.h"
#include "edf/EdfRecording.h"
#include "edf/RecordingFormat.h"
#include "recording/BlockPlan.h"
#include "input/RowsAtRate.h"
#include "refhost/Recording.h"

namespace sgf {

class InputRecording {
public:
    virtual ~InputRecording() = default;

    RecordingFormat format() const { return format_; }
    const CsvSummary& summary() const { return summary_; }
    const std::vector<sg::ChannelScaling>& scalings() const { return scalings_; }
    // The runs of data, in ticks.
    const RunLayout& layout() const { return layout_; }
    // The rates of the channels read, the first channel's first: a CSV has one, whose ticks are
    // its rows.
    const std::vector<RowsAtRate>& rates() const { return rates_; }
    // Which of those rates each channel (from 0) is recorded at; nothing for one at another rate.
    const std::vector<std::optional<std::size_t>>& channelRates() const { return channelRates_; }
    // Start and annotations of an EDF or BDF input; empty for CSV.
    const EdfRecording& edf() const { return edf_; }

    // Gives `recording` the planned blocks and the channels, and pages it through a store in
    // `folder` that keeps `cachedBlocks` blocks in memory.
    virtual void loadInto(refhost::Recording& recording, const BlockPlan& plan, const std::filesystem::path& folder,
                          std::size_t cachedBlocks) = 0;

protected:
    explicit InputRecording(RecordingFormat format) : format_(format) {}

    RecordingFormat format_;
    CsvSummary summary_;
    std::vector<sg::ChannelScaling> scalings_;
    RunLayout layout_;
    std::vector<RowsAtRate> rates_;
    std::vector<std::optional<std::size_t>> channelRates_;
    EdfRecording edf_;
};

// Sees the channels before any sample is read, so a command that cannot apply to them fails before
// a long file is read, and answers which of them (numbered from 1) are read: their rates are the
// rates read.
using ChannelChoice = std::function<std::vector<int>(const CsvSummary&)>;

// Reads `file` ("-": standard input), whose format its first bytes tell. Temporary files go to
// `folder`. Channels that are not read cost nothing: a CSV's are not staged, an EDF's stay in the
// file; those of a CSV and an EDF's signals at other rates than those read are left out of the
// host (their blocks are unavailable). Throws InputError for bad input.
std::unique_ptr<InputRecording> readInputRecording(const std::filesystem::path& file,
                                                   const std::filesystem::path& folder, const ChannelChoice& choose);

}  // namespace sgf
