// A BrainVision recording, opened from its header: the channels the header describes, the
// samples paged from the data file where it lies, and the markers as annotations, the segments
// they mark as runs of data. A recording has one sample rate, so its ticks are its rows.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "brainvision/BrainVisionHeader.h"
#include "brainvision/SampleFile.h"
#include "brainvision/SegmentTimes.h"
#include "input/InputRecording.h"

namespace sgf::brainvision {

class BrainVisionRecording final : public InputRecording {
public:
    // Only the channels `choose` answers are paged; float32 and int32 ones have their data read once
    // first, for their largest value. Throws InputError naming the header, data or marker file at fault.
    BrainVisionRecording(const std::filesystem::path& header, const ChannelChoice& choose);

    void readStored(std::size_t channel, std::size_t firstSample, std::span<float> values) const override;

private:
    void describe(const std::filesystem::path& file);
    void page(const std::vector<int>& chosen);

    BrainVisionHeader header_;
    SampleFile samples_;
    std::unique_ptr<SegmentTimes> times_;  // the rates point at it
    std::vector<double> inverseBase_;      // per channel: powers of two, so exact
};

}  // namespace sgf::brainvision
