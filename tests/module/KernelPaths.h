// What the kernel tests share: the paths this processor can run, and a kernel's outputs over a
// buffer whose guard values after the outputs must survive.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "module/filter/CentreKernelChoice.h"

namespace sg {

// From `first` up to the widest path this processor has.
inline std::vector<SimdPath> PathsHere(SimdPath first) {
    std::vector<SimdPath> paths;
    for (SimdPath path : {SimdPath::plain, SimdPath::sse2, SimdPath::avx2, SimdPath::avx512})
        if (path >= first && path <= WidestSupportedPath()) paths.push_back(path);
    return paths;
}

// Every output's bits, and the guards after them; a guard that changed fails the test.
template <class Kernel, class Zone>
std::vector<uint32_t> GuardedOutputs(Kernel kernel, Zone zone) {
    constexpr uint32_t kGuard = 0x7FC0DEAD;
    std::vector<float> output(static_cast<std::size_t>(zone.count) + 64, std::bit_cast<float>(kGuard));
    zone.output = output.data();
    kernel(zone);
    std::vector<uint32_t> bits;
    for (float value : output) bits.push_back(std::bit_cast<uint32_t>(value));
    for (std::size_t i = static_cast<std::size_t>(zone.count); i < bits.size(); ++i)
        EXPECT_EQ(bits[i], kGuard) << "written past the outputs at " << i;
    return bits;
}

}  // namespace sg
