#include "refhost/BlockHolds.h"

namespace refhost {

void BlockHolds::fetched(DataKind kind, int16_t channel, int16_t block, bool gaveHandle) {
    ++fetches_[index(kind)];
    Count& count = open_[{kind, channel, block}];
    ++(gaveHandle ? count.withHandle : count.withoutHandle);
}

bool BlockHolds::released(DataKind kind, int16_t channel, int16_t block) {
    ++releases_[index(kind)];
    auto found = open_.find({kind, channel, block});
    if (found == open_.end()) return false;
    Count& count = found->second;
    --(count.withHandle > 0 ? count.withHandle : count.withoutHandle);
    if (count.withHandle == 0 && count.withoutHandle == 0) open_.erase(found);
    return true;
}

std::vector<std::string> BlockHolds::takeOutstanding() {
    std::vector<std::string> outstanding;
    for (const auto& [key, count] : open_) {
        if (count.withHandle == 0) continue;
        const auto& [kind, channel, block] = key;
        outstanding.push_back(std::string(kind == DataKind::raw ? "raw" : "computed") + " block " +
                              std::to_string(block) + " of channel " + std::to_string(channel) + " is still held (" +
                              std::to_string(count.withHandle) + " unreleased fetch(es))");
    }
    open_.clear();
    return outstanding;
}

int BlockHolds::held() const {
    int total = 0;
    for (const auto& [key, count] : open_) total += count.withHandle;
    return total;
}

void BlockHolds::resetCounts() {
    fetches_[0] = fetches_[1] = 0;
    releases_[0] = releases_[1] = 0;
}

}  // namespace refhost
