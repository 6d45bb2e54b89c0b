// A recording opened for looking: the host with the module loaded, the recording paged into the
// host's blocks as `filter` pages it, and the computed channels a person adds. Each computed
// block is asked of the module when a trace first shows it, or when the session is idle, and kept
// in the host's block store from then on, until the channel's settings change. Every block read
// is summarised by its extremes for traces zoomed far out. Not thread-safe: the host calls the
// module one call at a time, and so must whoever uses this.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "input/InputRecording.h"
#include "recording/BlockPlan.h"
#include "recording/Scalings.h"
#include "recording/StageRunner.h"
#include "refhost/ReferenceHost.h"
#include "stagesettings/FilterSettings.h"
#include "view/FilterCommandLine.h"
#include "view/RecordedSummariser.h"
#include "view/TraceColumns.h"
#include "view/ValueSummaries.h"

namespace sgf {

struct ViewOptions {
    std::filesystem::path input;
    std::filesystem::path module;
    int samplesPerBlock = 0;  // 0: ViewSession::kSamplesPerBlock, or as `filter` chooses it where those are too many
    std::filesystem::path scratch;  // where the host's block store goes
    std::string annotations;        // empty: the input format's own choice
    bool moduleNamed = false;       // the command line named the module, so the filter command names it too
};

struct TraceRequest {
    std::vector<int16_t> channels;  // of one rate
    double from;
    double to;
    int columns;
};

class ViewSession {
public:
    // Throws InputError for a recording that cannot be read, UsageError for one the host cannot
    // page, std::runtime_error for module trouble.
    explicit ViewSession(const ViewOptions& options);
    ~ViewSession();

    // The recording: its file as the command line named it, its channels (recorded and computed) with names, units and rates, its runs
    // of data, its annotations.
    nlohmann::json describe() const;
    // Throws UsageError for channels that are not there or not of one rate, or a stretch or a
    // column count that makes no sense.
    TraceTable trace(const TraceRequest& request);
    // A new computed channel filtering `source` (its computed values where it is computed) with
    // `settings`; returns its number. Throws UsageError for a source or a setting it cannot take.
    int16_t addComputed(int16_t source, const FilterSettings& settings);

    // Removes a computed channel and every computed channel that reads it, directly or through
    // others: their instances end, their blocks and summaries go, and their numbers are never
    // given again. Returns the numbers removed, in order. Throws UsageError for a channel that is
    // not computed.
    std::vector<int16_t> removeComputed(int16_t channel);
    bool hasComputed() const;
    // The `filter` command that writes the recorded channels the computed channels read and the
    // computed channels into `output`: one stage per computed channel, each after the one it
    // reads, its source numbered as filter numbers the stages' outputs. Throws UsageError when
    // there is no computed channel.
    FilterCommandLine filterCommand(const std::string& output) const;
    // The file name the described command writes, before its extension: the recording's stem and "-sg".
    std::string outputStem() const;
    const ViewOptions& options() const { return options_; }

    // The module's settings dialog for a computed channel, its waits answered by `driver`
    // (selector 9). On OK the host has applied what the module reported; the channel's computed
    // blocks, and those of every channel that reads it, are asked for again when next shown. An
    // OK whose settings cannot be computed (a removed source, a channel reading itself through
    // others, a module failure) is undone, and the channel keeps the settings it had.
    // Returns {"confirmed": bool, "channel": N}, with "error" where OK was undone. Throws
    // UsageError for a channel that is not computed.
    nlohmann::json runSettingsDialog(int16_t channel, std::shared_ptr<refhost::DialogDriver> driver);
    bool isComputed(int16_t channel) const { return channel > fileChannels() && isChannel(channel); }

    // Work for idle time: computes or summarises the next block that a trace zoomed out over the
    // whole recording would need: the computed channels' blocks, then the recorded ones', in each
    // every channel's first block before any channel's second. False when nothing is left to do
    // until a channel is added or its settings change. A computed channel whose block the module
    // fails is left for the traces that show it to report.
    bool prepareNext();

    static constexpr int kMostColumns = 8192;
    // Measured on a day's pans and zooms: as fast as 4,096 for pans and zooming back in, and a first
    // zoom over the day a quarter sooner (the module's calls at the blocks' boundaries are fewer).
    static constexpr int kSamplesPerBlock = 8192;

private:
    struct Computed;

    bool prepareNextOf(bool computed, std::size_t& prepared);
    // Computes and summarises the request's computed channels over its blocks from `first` on;
    // returns one past its last block.
    std::size_t summariseComputedFirst(const TraceRequest& request, std::size_t rate, std::size_t first);
    int16_t fileChannels() const { return static_cast<int16_t>(input_->description().channels.size()); }
    // The highest number given to a channel; removed ones below it are holes.
    int16_t lastChannel() const { return static_cast<int16_t>(fileChannels() + computed_.size()); }
    bool isChannel(int16_t channel) const;
    // `channel` and the computed channels that read it, directly or through others.
    std::vector<int16_t> readersOf(int16_t channel) const;
    // Ends the instance of a channel whose computed channel is gone or was never made.
    void dropComputed(int16_t channel);
    // Computes the first block again at the settings the module holds and takes the output's description.
    void adoptHeldSettings(Computed& computed);
    Computed* computedOf(int16_t channel);
    const Computed* computedOf(int16_t channel) const;
    // A channel at a rate it shares with the recording's others, which traces can show.
    bool isShown(int16_t channel) const;
    std::size_t rateOf(int16_t channel) const;
    nlohmann::json describeChannel(int16_t channel) const;
    // The text of the command that writes every computed channel, null where there is none.
    nlohmann::json filterCommandText() const;
    void ensureComputed(Computed& computed, std::size_t blockIndex, int depth);
    // Drops the computed blocks of `channel` and of the channels that read it, directly or not.
    void forgetComputed(int16_t channel);
    std::size_t firstBlockAtOrAfter(double time) const;
    // The channel's stored values of the block, computed first where they are computed values.
    std::span<const float> storedValues(int16_t channel, std::size_t blockIndex);
    // Where `channel`'s values of the block are summarised, computing them first if need be.
    void ensureSummarised(int16_t channel, std::size_t blockIndex);
    // Of a block this session claimed.
    void summarise(int16_t channel, std::size_t blockIndex, std::span<const float> values);
    void traceSamples(const TraceRequest& request, std::size_t firstBlock, TraceColumns& columns);
    // From stretches of `stretchSize` samples, or of whole blocks where it is 0.
    void traceSummaries(const TraceRequest& request, std::size_t firstBlock, std::size_t stretchSize, TraceColumns& columns);
    std::vector<UnitsConversion> conversionsOf(const std::vector<int16_t>& channels) const;

    ViewOptions options_;
    std::string inputName_;  // as the command line gave it, for the command the page shows
    refhost::ReferenceHost host_;
    std::unique_ptr<InputRecording> input_;
    BlockPlan plan_;
    std::vector<std::vector<double>> blockStarts_;  // time of each block's first sample, by rate and block index
    std::vector<std::unique_ptr<Computed>> computed_;  // by channel, after the file's; null where removed
    std::unique_ptr<ValueSummaries> summaries_;
    std::unique_ptr<RecordedSummariser> recordedSummariser_;  // after what it reads, so it stops first
    // Every computed, and every recorded, channel's blocks before these are summarised.
    std::size_t preparedComputed_ = 0;
    std::size_t preparedRecorded_ = 0;
    std::vector<int16_t> failing_;    // computed channels left out of idle work
};

}  // namespace sgf
