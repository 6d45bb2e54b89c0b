// A channel of the output or the plot, and whether its recorded or its computed values go there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "refhost/BlockStore.h"

namespace sgf {

struct ResultChannel {
    int16_t channel;
    refhost::DataKind kind;
    std::size_t rate = 0;  // which of the rates read: its blocks are that rate's
};

}  // namespace sgf
