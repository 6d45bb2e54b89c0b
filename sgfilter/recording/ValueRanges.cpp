#include "recording/ValueRanges.h"

namespace sgf {

ValueRange valueRangeOf(const refhost::Recording& recording, const BlockPlan& plan, const ResultChannel& channel,
                        const UnitsConversion& conversion) {
    ValueRange range;
    for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
        widenValueRange(range, recording.readValues(channel.kind, channel.channel, plan.blockNumber(channel.rate, index)),
                        conversion);
    }
    return range;
}

}  // namespace sgf
