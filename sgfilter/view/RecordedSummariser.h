// Summarises the recorded channels for traces zoomed far out, on a thread of its own, through a
// recording opened for it alone: so while the session's thread has the module compute the
// computed channels, the other core reads the recorded ones, and a first zoom out over a day finds
// both ready sooner. It leaves the blocks that the session claims first, and stops at the first
// block it cannot read, which the session's traces then read and report themselves.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "input/InputRecording.h"
#include "recording/BlockPlan.h"
#include "view/ValueSummaries.h"

namespace sgf {

class RecordedSummariser {
public:
    using Opener = std::function<std::unique_ptr<InputRecording>()>;

    // Summarises into `summaries`, whose recorded channels it adds first, the blocks of `plan` of
    // each recorded channel at a rate of `channelRates` (by the input's channel order); `open`
    // opens the recording again, on the summariser's thread. All must outlive it.
    RecordedSummariser(Opener open, const BlockPlan& plan, const std::vector<std::optional<std::size_t>>& channelRates,
                       ValueSummaries& summaries);
    ~RecordedSummariser();
    RecordedSummariser(const RecordedSummariser&) = delete;
    RecordedSummariser& operator=(const RecordedSummariser&) = delete;

private:
    void summariseAll(const Opener& open);

    const BlockPlan& plan_;
    const std::vector<std::optional<std::size_t>>& channelRates_;
    ValueSummaries& summaries_;
    std::atomic<bool> stopping_ = false;
    std::thread thread_;  // last: it starts once everything above is in place
};

}  // namespace sgf
