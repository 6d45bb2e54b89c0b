// Accounting of the data blocks the module fetched and released. Every fetch that gave a handle
// must be matched by one release before the host's call returns. A fetch that gave null holds
// nothing, but the module may still release it (releasing regardless of the fetch's result is
// a legitimate pattern), so such a release is accepted once.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "refhost/Recording.h"

namespace refhost {

class BlockHolds {
public:
    void fetched(DataKind kind, int16_t channel, int16_t block, bool gaveHandle);
    // False when no fetch is left to match the release.
    bool released(DataKind kind, int16_t channel, int16_t block);
    // One description per block still held; the held ones are then forgotten.
    std::vector<std::string> takeOutstanding();

    int fetches(DataKind kind) const { return fetches_[index(kind)]; }
    int releases(DataKind kind) const { return releases_[index(kind)]; }
    int held() const;
    void resetCounts();

private:
    using Key = std::tuple<DataKind, int16_t, int16_t>;
    struct Count {
        int withHandle = 0;
        int withoutHandle = 0;
    };
    static std::size_t index(DataKind kind) { return kind == DataKind::raw ? 0 : 1; }

    std::map<Key, Count> open_;
    int fetches_[2] = {0, 0};
    int releases_[2] = {0, 0};
};

}  // namespace refhost
