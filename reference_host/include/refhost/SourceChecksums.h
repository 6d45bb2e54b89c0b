// Proof that a request left the data it only reads untouched: a checksum of every block before
// a top-level call, compared after it. The computed values of the channel a request writes are
// left out.
#pragma once

#include <cstdint>
#include <vector>

#include "refhost/Misbehaviour.h"
#include "refhost/Recording.h"

namespace refhost {

class SourceChecksums {
public:
    // `writtenChannel` 0 means the request may write no channel's computed values.
    void take(const Recording& recording, int16_t writtenChannel);
    void verify(const Recording& recording, MisbehaviourLog& log) const;

private:
    struct Entry {
        DataKind kind;
        int16_t channel;
        int16_t block;
        uint64_t checksum;
    };
    std::vector<Entry> entries_;
};

}  // namespace refhost
