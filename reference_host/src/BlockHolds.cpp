#include "refhost/BlockHolds.h"

#include <algorithm>
#include <tuple>

namespace refhost {

std::vector<std::string> BlockHolds::takeOutstanding() {
    std::vector<std::string> outstanding;
    if (open_.empty()) return outstanding;
    std::ranges::sort(open_, [](const Open& a, const Open& b) {
        return std::tie(a.kind, a.channel, a.block) < std::tie(b.kind, b.channel, b.block);
    });
    for (const Open& open : open_) {
        if (open.withHandle == 0) continue;
        outstanding.push_back(std::string(open.kind == DataKind::raw ? "raw" : "computed") + " block " +
                              std::to_string(open.block) + " of channel " + std::to_string(open.channel) +
                              " is still held (" + std::to_string(open.withHandle) + " unreleased fetch(es))");
    }
    open_.clear();
    return outstanding;
}

int BlockHolds::held() const {
    int total = 0;
    for (const Open& open : open_) total += open.withHandle;
    return total;
}

void BlockHolds::resetCounts() {
    fetches_[0] = fetches_[1] = 0;
    releases_[0] = releases_[1] = 0;
}

}  // namespace refhost
