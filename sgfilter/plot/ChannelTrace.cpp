#include "plot/ChannelTrace.h"

namespace sgf {

PlotTrace channelTrace(const refhost::Recording& recording, const TracedChannel& traced,
                       const std::vector<double>& times, const std::vector<PlannedBlock>& blocks) {
    ColumnDecimator decimator(times.front(), times.back(), kPlotColumns);
    for (std::size_t index = 0; index < blocks.size(); ++index) {
        if (blocks[index].startsRun) decimator.startSegment();
        const auto values = recording.values(traced.kind, traced.channel, static_cast<int16_t>(index + 1));
        const double* time = times.data() + blocks[index].firstRow;
        for (const float stored : values) decimator.add(*time++, traced.conversion.toUnits(stored));
    }
    return {traced.label, traced.units, decimator.finish()};
}

}  // namespace sgf
