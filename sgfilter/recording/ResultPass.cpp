#include "recording/ResultPass.h"

namespace sgf {

void writeResults(const refhost::Recording& recording, const BlockPlan& plan, const RowTimes& rows,
                  const std::vector<ResultChannel>& outputChannels, ResultWriter& output,
                  std::vector<ChannelTrace>& traces) {
    std::vector<double> timeBuffer(static_cast<std::size_t>(plan.samplesPerBlock));
    std::vector<std::span<const float>> columns(outputChannels.size());
    for (std::size_t index = 0; index < plan.blocks.size(); ++index) {
        const PlannedBlock& block = plan.blocks[index];
        const auto number = static_cast<int16_t>(index + 1);
        const std::span<double> times = std::span(timeBuffer).first(static_cast<std::size_t>(block.length));
        rows.readTimes(block.firstRow, times);
        // The recording's cache holds two blocks per stage and more, and every kept source feeds a
        // stage, so these stay in place together.
        for (std::size_t column = 0; column < columns.size(); ++column) {
            columns[column] = recording.readValues(outputChannels[column].kind, outputChannels[column].channel, number);
        }
        output.writeRows(times, columns);
        for (ChannelTrace& trace : traces) {
            trace.add(times, recording.readValues(trace.traced().kind, trace.traced().channel, number), block.startsRun);
        }
    }
    output.finish();
}

}  // namespace sgf
