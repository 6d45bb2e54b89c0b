#include "recording/ValueRanges.h"

namespace sgf {

std::vector<ValueRange> valueRangesOf(const refhost::Recording& recording, const BlockPlan& plan,
                                      const std::vector<ResultChannel>& channels,
                                      const std::vector<UnitsConversion>& conversions) {
    std::vector<ValueRange> ranges(channels.size());
    for (std::size_t column = 0; column < channels.size(); ++column) {
        const ResultChannel& channel = channels[column];
        for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
            widenValueRange(ranges[column], recording.readValues(channel.kind, channel.channel, plan.blockNumber(channel.rate, index)),
                            conversions[column]);
        }
    }
    return ranges;
}

}  // namespace sgf
