#include "view/RecordedSummariser.h"

#include <cstdint>
#include <exception>

namespace sgf {

RecordedSummariser::RecordedSummariser(Opener open, const BlockPlan& plan,
                                       const std::vector<std::optional<std::size_t>>& channelRates, ValueSummaries& summaries)
    : plan_(plan), channelRates_(channelRates), summaries_(summaries) {
    for (std::size_t index = 0; index < channelRates_.size(); ++index) {
        if (channelRates_[index]) summaries_.addChannel(static_cast<int16_t>(index + 1));
    }
    thread_ = std::thread([this, open = std::move(open)] { summariseAll(open); });
}

RecordedSummariser::~RecordedSummariser() {
    stopping_ = true;
    thread_.join();
}

void RecordedSummariser::summariseAll(const Opener& open) {
    try {
        const std::unique_ptr<InputRecording> input = open();
        // From the last block back, each rate's first sample of the block: the session goes from
        // the first block on when it prepares or draws a day, so the two meet once, in the middle.
        std::vector<std::size_t> ends(plan_.samplesPerTick.size(), 0);
        for (std::size_t block = 0; block < plan_.blocksPerRate(); ++block) {
            for (std::size_t rate = 0; rate < ends.size(); ++rate) ends[rate] += static_cast<std::size_t>(plan_.blockOf(rate, block).length);
        }
        std::vector<float> values(static_cast<std::size_t>(plan_.samplesPerBlock));
        for (std::size_t block = plan_.blocksPerRate(); block-- > 0 && !stopping_;) {
            for (std::size_t rate = 0; rate < ends.size(); ++rate) ends[rate] -= static_cast<std::size_t>(plan_.blockOf(rate, block).length);
            for (std::size_t index = 0; index < channelRates_.size() && !stopping_; ++index) {
                if (!channelRates_[index]) continue;
                const std::size_t rate = *channelRates_[index];
                const auto channel = static_cast<int16_t>(index + 1);
                if (!summaries_.claim(channel, block)) continue;
                const std::span<float> blockValues =
                    std::span(values).first(static_cast<std::size_t>(plan_.blockOf(rate, block).length));
                try {
                    input->readStored(index, ends[rate], blockValues);
                    summaries_.add(channel, block, blockValues);
                } catch (...) {
                    summaries_.release(channel, block);
                    throw;
                }
            }
        }
    } catch (const std::exception&) {
        // What cannot be read here the session reads when a trace needs it, and says why.
    }
}

}  // namespace sgf
