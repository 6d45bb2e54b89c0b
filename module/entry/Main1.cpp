// The module's one exported entry point.
#include <cstdint>

#include "entry/SavitzkyGolayExtension.h"

namespace sg {

SavitzkyGolayExtension theExtension;

}  // namespace sg

extern "C" __attribute__((visibility("default"))) int32_t Main1(int16_t selector, void* block,
                                                                 sg::HostCallbacks* host) {
    return sg::theExtension.Dispatch(selector, block, host);
}
