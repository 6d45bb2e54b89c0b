#include "refhost/Recording.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace refhost {

namespace {

std::string blockLabel(DataKind kind, int16_t channel, int16_t block) {
    return std::string(kind == DataKind::raw ? "raw" : "computed") + " block " + std::to_string(block) +
           " of channel " + std::to_string(channel);
}

}  // namespace

int16_t Recording::addChannel(ChannelDescription description) {
    channels_.push_back(std::move(description));
    data_.emplace_back(blocks_.size());
    const int16_t channel = channelCount();
    for (int16_t block = 1; block <= blockCount(); ++block) allocateData(channel, block);
    return channel;
}

int16_t Recording::addBlock(int16_t length, double sampleInterval, RunBoundary boundary) {
    if (length < 1) throw std::invalid_argument("a block holds 1 to 32767 samples");
    if (blocks_.size() == 32767) throw std::invalid_argument("a recording holds at most 32767 blocks");
    if (blocks_.empty() && boundary == RunBoundary::continuesRun) {
        throw std::invalid_argument("the first block cannot continue a run");
    }
    const int32_t start = sampleCount();
    if (boundary == RunBoundary::startsRun) {
        runs_.push_back({start, start + length - 1});
    } else {
        runs_.back().last += length;
    }
    blocks_.push_back({length, sampleInterval, start});
    const int16_t block = blockCount();
    for (auto& channelData : data_) channelData.emplace_back();
    for (int16_t channel = 1; channel <= channelCount(); ++channel) allocateData(channel, block);
    return block;
}

void Recording::allocateData(int16_t channel, int16_t block) {
    const int32_t bytes = blockLength(block) * static_cast<int32_t>(sizeof(float));
    BlockData& entry = data(channel, block);
    entry.raw = memory_.newHandle(bytes, Owner::host, blockLabel(DataKind::raw, channel, block), 0);
    entry.computed = memory_.newHandle(bytes, Owner::host, blockLabel(DataKind::computed, channel, block));
    std::ranges::fill(values(DataKind::computed, channel, block), std::bit_cast<float>(kUnwrittenSampleBits));
}

int32_t Recording::sampleCount() const {
    return blocks_.empty() ? 0 : blocks_.back().start + blocks_.back().length;
}

sg::DataPosition Recording::positionOf(int32_t index) const {
    if (index < 0 || index >= sampleCount()) return {0, 0};
    // The last block that starts at or before the index.
    auto after = std::upper_bound(blocks_.begin(), blocks_.end(), index,
                                  [](int32_t value, const Block& block) { return value < block.start; });
    const auto found = std::prev(after);
    return {static_cast<int16_t>(found - blocks_.begin() + 1), static_cast<int16_t>(index - found->start)};
}

std::pair<int32_t, int32_t> Recording::runContaining(int32_t index) const {
    // The last run that starts at or before the index.
    auto after = std::upper_bound(runs_.begin(), runs_.end(), index,
                                  [](int32_t value, const Run& run) { return value < run.first; });
    const Run& run = *std::prev(after);
    return {run.first, run.last};
}

void Recording::breakRunAt(int32_t index) {
    if (index <= 0 || index >= sampleCount()) throw std::invalid_argument("a run can only break inside the data");
    auto after = std::upper_bound(runs_.begin(), runs_.end(), index,
                                  [](int32_t value, const Run& run) { return value < run.first; });
    auto run = std::prev(after);
    if (run->first == index) return;
    const Run tail{index, run->last};
    run->last = index - 1;
    runs_.insert(after, tail);
}

sg::Handle Recording::dataHandle(DataKind kind, int16_t channel, int16_t block) const {
    const BlockData& entry = data(channel, block);
    return kind == DataKind::raw ? entry.raw : entry.computed;
}

std::span<float> Recording::values(DataKind kind, int16_t channel, int16_t block) const {
    auto samples = static_cast<float*>(*dataHandle(kind, channel, block));
    return {samples, static_cast<std::size_t>(blockLength(block))};
}

void Recording::setAvailable(DataKind kind, int16_t channel, int16_t block, bool available) {
    BlockData& entry = data(channel, block);
    (kind == DataKind::raw ? entry.rawAvailable : entry.computedAvailable) = available;
}

bool Recording::isAvailable(DataKind kind, int16_t channel, int16_t block) const {
    const BlockData& entry = data(channel, block);
    return kind == DataKind::raw ? entry.rawAvailable : entry.computedAvailable;
}

}  // namespace refhost
