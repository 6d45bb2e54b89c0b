#include "recording/ValueRanges.h"

#include <algorithm>

namespace sgf {

std::vector<ValueRange> valueRangesOf(const refhost::Recording& recording, const BlockPlan& plan,
                                      const std::vector<ResultChannel>& channels,
                                      const std::vector<UnitsConversion>& conversions) {
    std::vector<ValueRange> ranges(channels.size());
    for (std::size_t column = 0; column < channels.size(); ++column) {
        const ResultChannel& channel = channels[column];
        ValueRange& range = ranges[column];
        for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
            for (const float stored : recording.readValues(channel.kind, channel.channel, plan.blockNumber(channel.rate, index))) {
                const double units = conversions[column].toUnits(stored);
                // Written so that a NaN changes neither end.
                if (units < range.least) range.least = units;
                if (units > range.greatest) range.greatest = units;
            }
        }
    }
    return ranges;
}

}  // namespace sgf
