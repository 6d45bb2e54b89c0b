#include "recording/Scalings.h"

#include <cstring>

namespace sgf {

sg::ChannelScaling computedChannelScaling(const std::array<uint8_t, sg::kOutputScalingSize>& moduleAnswer,
                                          const sg::ChannelScaling& sourceScaling) {
    sg::ChannelScaling scaling = sourceScaling;
    std::memcpy(&scaling, moduleAnswer.data(), moduleAnswer.size());
    return scaling;
}

}  // namespace sgf
