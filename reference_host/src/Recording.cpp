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

DataKind kindOf(uint32_t key) { return (key >> 31) != 0 ? DataKind::computed : DataKind::raw; }
int16_t channelOf(uint32_t key) { return static_cast<int16_t>((key >> 16) & 0x7FFF); }
int16_t blockOf(uint32_t key) { return static_cast<int16_t>(key & 0xFFFF); }

}  // namespace

void Recording::pageThrough(std::unique_ptr<BlockStore> store, std::size_t cachedBlocks) {
    if (store_ != nullptr) throw std::logic_error("the recording already pages through a store");
    if (store == nullptr || cachedBlocks == 0) throw std::invalid_argument("paging needs a store and room for a block");
    store_ = std::move(store);
    cachedBlocks_ = cachedBlocks;
    for (auto& [key, entry] : present_) entry.changed = true;
    shrinkCache();
}

int16_t Recording::addChannel(ChannelDescription description) {
    if (channels_.size() == 32767) throw std::invalid_argument("a recording holds at most 32767 channels");
    channels_.push_back(std::move(description));
    states_.emplace_back(blocks_.size());
    return channelCount();
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
    for (auto& channelStates : states_) channelStates.emplace_back();
    return blockCount();
}

bool Recording::searchBlock(int32_t index) const {
    if (index < 0 || index >= sampleCount()) return false;
    const std::size_t latest = blocksFound_[0];
    // Most often the block after the latest, as a module reads on.
    std::size_t found = latest + 1;
    if (!blockHolds(found, index)) {
        // The last block that starts at or before the index.
        auto after = std::upper_bound(blocks_.begin(), blocks_.end(), index,
                                      [](int32_t value, const Block& block) { return value < block.start; });
        found = static_cast<std::size_t>(std::prev(after) - blocks_.begin());
    }
    blocksFound_[1] = latest;
    blocksFound_[0] = found;
    return true;
}

void Recording::searchRun(int32_t index) const {
    // The last run that starts at or before the index.
    auto after = std::upper_bound(runs_.begin(), runs_.end(), index,
                                  [](int32_t value, const Run& run) { return value < run.first; });
    lastRunFound_ = static_cast<std::size_t>(std::prev(after) - runs_.begin());
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

Recording::Key Recording::keyOf(DataKind kind, int16_t channel, int16_t block) {
    return (kind == DataKind::computed ? 0x80000000u : 0u) | (static_cast<uint32_t>(channel) << 16) |
           static_cast<uint16_t>(block);
}

sg::Handle Recording::freshHandle(DataKind kind, int16_t channel, int16_t block) const {
    const int16_t length = blockLength(block);
    const int32_t bytes = length * static_cast<int32_t>(sizeof(float));
    const uint8_t stored = kind == DataKind::raw ? rawStored : computedStored;
    if ((flags(channel, block) & stored) != 0) {
        sg::Handle handle = memory_.newHandle(bytes, Owner::host, blockLabel(kind, channel, block));
        store_->load(kind, channel, blockStart(block), {static_cast<float*>(*handle), static_cast<std::size_t>(length)});
        return handle;
    }
    if (kind == DataKind::raw) return memory_.newHandle(bytes, Owner::host, blockLabel(kind, channel, block), 0);
    sg::Handle handle = memory_.newHandle(bytes, Owner::host, blockLabel(kind, channel, block));
    std::fill_n(static_cast<float*>(*handle), length, std::bit_cast<float>(kUnwrittenSampleBits));
    return handle;
}

Recording::Present& Recording::present(DataKind kind, int16_t channel, int16_t block) const {
    if (!isChannel(channel) || !isBlock(block)) throw std::out_of_range(blockLabel(kind, channel, block) + " does not exist");
    Present*& known = state(channel, block).present[kind == DataKind::raw ? 0 : 1];
    if (known != nullptr) {
        if (!known->inUse) cache_.splice(cache_.begin(), cache_, known->slot);
        return *known;
    }
    const Key key = keyOf(kind, channel, block);
    Present& entry = present_.emplace(key, Present{freshHandle(kind, channel, block), false, false, {}}).first->second;
    entry.slot = cache_.insert(cache_.begin(), key);
    known = &entry;
    shrinkCache();
    return entry;
}

void Recording::markInUse(Present& entry) const {
    if (entry.inUse) return;
    inUse_.splice(inUse_.begin(), cache_, entry.slot);
    entry.inUse = true;
}

sg::Handle Recording::dataHandle(DataKind kind, int16_t channel, int16_t block) const {
    Present& entry = present(kind, channel, block);
    entry.changed = true;
    markInUse(entry);
    return entry.handle;
}

sg::Handle Recording::lend(DataKind kind, int16_t channel, int16_t block) const {
    Present& entry = present(kind, channel, block);
    markInUse(entry);
    return entry.handle;
}

std::span<float> Recording::values(DataKind kind, int16_t channel, int16_t block) const {
    Present& entry = present(kind, channel, block);
    entry.changed = true;
    return {static_cast<float*>(*entry.handle), static_cast<std::size_t>(blockLength(block))};
}

std::span<const float> Recording::readValues(DataKind kind, int16_t channel, int16_t block) const {
    const Present& entry = present(kind, channel, block);
    return {static_cast<const float*>(*entry.handle), static_cast<std::size_t>(blockLength(block))};
}

void Recording::writeValues(DataKind kind, int16_t channel, int16_t block, std::span<const float> values) {
    if (values.size() != static_cast<std::size_t>(blockLength(block))) {
        throw std::invalid_argument("the values of " + blockLabel(kind, channel, block) + " do not fill the block");
    }
    if (store_ != nullptr && state(channel, block).present[kind == DataKind::raw ? 0 : 1] == nullptr) {
        store_->save(kind, channel, blockStart(block), values);
        flags(channel, block) |= kind == DataKind::raw ? rawStored : computedStored;
        return;
    }
    std::ranges::copy(values, this->values(kind, channel, block).begin());
}

void Recording::heldByStore(DataKind kind, int16_t channel) {
    if (store_ == nullptr) throw std::logic_error("only a paged recording has a store to hold its blocks");
    for (BlockState& entry : states_.at(channel - 1)) entry.flags |= kind == DataKind::raw ? rawStored : computedStored;
}

void Recording::dropValues(DataKind kind, int16_t channel) {
    const std::size_t at = kind == DataKind::raw ? 0 : 1;
    const uint8_t stored = kind == DataKind::raw ? rawStored : computedStored;
    for (int16_t block = 1; block <= blockCount(); ++block) {
        BlockState& entry = state(channel, block);
        entry.flags &= static_cast<uint8_t>(~stored);
        Present* known = entry.present[at];
        if (known == nullptr) continue;
        if (known->inUse) throw std::logic_error(blockLabel(kind, channel, block) + " is lent to the module");
        memory_.disposeHandle(known->handle, Owner::host);
        cache_.erase(known->slot);
        entry.present[at] = nullptr;
        present_.erase(keyOf(kind, channel, block));
    }
    if (store_ != nullptr) store_->discard(kind, channel);
}

void Recording::endOfCall() const {
    for (const Key key : inUse_)
        state(channelOf(key), blockOf(key)).present[kindOf(key) == DataKind::raw ? 0 : 1]->inUse = false;
    cache_.splice(cache_.begin(), inUse_);
    shrinkCache();
}

void Recording::shrinkCache() const {
    if (store_ == nullptr) return;
    while (cache_.size() > cachedBlocks_) evict(cache_.back());
}

void Recording::evict(Key key) const {
    auto found = present_.find(key);
    Present& entry = found->second;
    const DataKind kind = kindOf(key);
    const int16_t channel = channelOf(key);
    const int16_t block = blockOf(key);
    if (entry.changed) {
        store_->save(kind, channel, blockStart(block),
                     {static_cast<const float*>(*entry.handle), static_cast<std::size_t>(blockLength(block))});
        flags(channel, block) |= kind == DataKind::raw ? rawStored : computedStored;
    }
    memory_.disposeHandle(entry.handle, Owner::host);
    cache_.erase(entry.slot);
    state(channel, block).present[kind == DataKind::raw ? 0 : 1] = nullptr;
    present_.erase(found);
}

void Recording::setAvailable(DataKind kind, int16_t channel, int16_t block, bool available) {
    const uint8_t flag = kind == DataKind::raw ? rawUnavailable : computedUnavailable;
    uint8_t& entry = flags(channel, block);
    entry = available ? static_cast<uint8_t>(entry & ~flag) : static_cast<uint8_t>(entry | flag);
}

}  // namespace refhost
