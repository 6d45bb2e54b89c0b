// Accounting of the data blocks the module fetched and released. Every fetch that gave a handle
// must be matched by one release before the host's call returns. A fetch that gave null holds
// nothing, but the module may still release it (releasing regardless of the fetch's result is
// a legitimate pattern), so such a release is accepted once. A module holds a block or two at a
// time, so the open fetches are kept side by side and found by looking along them: no allocation
// once the first few are in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "refhost/Recording.h"

namespace refhost {

class BlockHolds {
public:
    void fetched(DataKind kind, int16_t channel, int16_t block, bool gaveHandle) {
        ++fetches_[index(kind)];
        Open* open = find(kind, channel, block);
        if (open == nullptr) open = &open_.emplace_back(Open{kind, channel, block});
        ++(gaveHandle ? open->withHandle : open->withoutHandle);
    }
    // False when no fetch is left to match the release.
    bool released(DataKind kind, int16_t channel, int16_t block) {
        ++releases_[index(kind)];
        Open* open = find(kind, channel, block);
        if (open == nullptr) return false;
        --(open->withHandle > 0 ? open->withHandle : open->withoutHandle);
        if (open->withHandle == 0 && open->withoutHandle == 0) {
            if (open != &open_.back()) *open = open_.back();
            open_.pop_back();
        }
        return true;
    }
    // One description per block still held; the held ones are then forgotten.
    std::vector<std::string> takeOutstanding();

    int fetches(DataKind kind) const { return fetches_[index(kind)]; }
    int releases(DataKind kind) const { return releases_[index(kind)]; }
    int held() const;
    void resetCounts();

private:
    struct Open {
        DataKind kind;
        int16_t channel;
        int16_t block;
        int withHandle = 0;
        int withoutHandle = 0;
    };
    static std::size_t index(DataKind kind) { return kind == DataKind::raw ? 0 : 1; }
    Open* find(DataKind kind, int16_t channel, int16_t block) {
        for (Open& open : open_)
            if (open.block == block && open.channel == channel && open.kind == kind) return &open;
        return nullptr;
    }

    std::vector<Open> open_;
    int fetches_[2] = {0, 0};
    int releases_[2] = {0, 0};
};

}  // namespace refhost
