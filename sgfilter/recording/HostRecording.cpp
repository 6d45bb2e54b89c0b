#include "recording/HostRecording.h"

#include "recording/Scalings.h"

namespace sgf {

void moveIntoHost(CsvTable& table, const RunLayout& layout, const std::vector<PlannedBlock>& blocks,
                  refhost::Recording& recording) {
    for (const PlannedBlock& block : blocks) {
        recording.addBlock(block.length, layout.sampleInterval,
                           block.startsRun ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun);
    }
    for (ChannelColumn& column : table.channels) {
        const sg::ChannelScaling scaling = rawScalingFor(column);
        const int16_t channel = recording.addChannel({column.name, column.name, scaling, scaling});
        for (std::size_t index = 0; index < blocks.size(); ++index) {
            const auto block = static_cast<int16_t>(index + 1);
            const double* source = column.values.data() + blocks[index].firstRow;
            for (float& stored : recording.values(refhost::DataKind::raw, channel, block)) {
                stored = storedValue(*source++, scaling.nativeFactor);
            }
        }
        column.values = {};
    }
}

}  // namespace sgf
