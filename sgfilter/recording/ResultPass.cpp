#include "recording/ResultPass.h"

namespace sgf {

void writeResults(const refhost::Recording& recording, const BlockPlan& plan, const std::vector<RowsAtRate>& rates,
                  const std::vector<ResultChannel>& outputChannels, ResultWriter& output,
                  std::vector<ChannelTrace>& traces, const BlockProgress& progress) {
    std::vector<std::vector<double>> timeBuffers(rates.size(), std::vector<double>(static_cast<std::size_t>(plan.samplesPerBlock)));
    std::vector<std::span<const double>> times(rates.size());
    std::vector<std::span<const float>> columns(outputChannels.size());
    const auto valuesOf = [&](const ResultChannel& channel, std::size_t index) {
        return recording.readValues(channel.kind, channel.channel, plan.blockNumber(channel.rate, index));
    };
    for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
        for (std::size_t rate = 0; rate < rates.size(); ++rate) {
            const PlannedBlock block = plan.blockOf(rate, index);
            const std::span<double> rateTimes = std::span(timeBuffers[rate]).first(static_cast<std::size_t>(block.length));
            rates[rate].times->readTimes(block.firstRow, rateTimes);
            times[rate] = rateTimes;
        }
        // The recording's cache holds two blocks per stage and more, and every kept source feeds a
        // stage, so these stay in place together.
        for (std::size_t column = 0; column < columns.size(); ++column) columns[column] = valuesOf(outputChannels[column], index);
        output.writeRows(times[outputChannels.empty() ? 0 : outputChannels.front().rate], columns);
        for (ChannelTrace& trace : traces) {
            const ResultChannel& traced = trace.traced().values;
            trace.add(times[traced.rate], valuesOf(traced, index), plan.blocks[index].startsRun);
        }
        progress(index + 1, plan.blocksPerRate());
    }
    output.finish();
}

}  // namespace sgf
