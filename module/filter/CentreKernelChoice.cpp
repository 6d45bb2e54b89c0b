#include "filter/CentreKernelChoice.h"

#include <cstdlib>
#include <cstring>

namespace sg {

namespace {

constexpr SimdPath kPaths[] = {SimdPath::plain, SimdPath::sse2, SimdPath::avx2, SimdPath::avx512};

}  // namespace

const char* PathName(SimdPath path) {
    switch (path) {
        case SimdPath::plain: return "plain";
        case SimdPath::sse2: return "sse2";
        case SimdPath::avx2: return "avx2";
        case SimdPath::avx512: return "avx512";
    }
    return "plain";
}

SimdPath WidestSupportedPath() {
    // These checks include the operating system's saving of the wider registers (XGETBV).
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return SimdPath::avx512;
    if (__builtin_cpu_supports("avx2")) return SimdPath::avx2;
    return SimdPath::sse2;  // the floor of the build
}

SimdPath LimitedPath(SimdPath widest, const char* limit) {
    if (limit == nullptr) return widest;
    for (SimdPath path : kPaths)
        if (std::strcmp(limit, PathName(path)) == 0) return path < widest ? path : widest;
    return widest;
}

CentreKernel KernelFor(SimdPath path) {
    switch (path) {
        case SimdPath::plain: return FilterCentrePlain;
        case SimdPath::sse2: return FilterCentreSse2;
        case SimdPath::avx2: return FilterCentreAvx2;
        case SimdPath::avx512: return FilterCentreAvx512;
    }
    return FilterCentrePlain;
}

EdgeKernel EdgeKernelFor(SimdPath path) {
    switch (path) {
        case SimdPath::plain: return FilterEdgePlain;
        case SimdPath::sse2: return FilterEdgeSse2;
        case SimdPath::avx2: return FilterEdgeAvx2;
        case SimdPath::avx512: return FilterEdgeAvx512;
    }
    return FilterEdgePlain;
}

SampleMatch SampleMatchFor(SimdPath path) {
    switch (path) {
        case SimdPath::plain:
        case SimdPath::sse2: return SamplesMatchPlain;
        case SimdPath::avx2: return SamplesMatchAvx2;
        case SimdPath::avx512: return SamplesMatchAvx512;
    }
    return SamplesMatchPlain;
}

SimdPath ChosenPath() {
    static const SimdPath chosen = LimitedPath(WidestSupportedPath(), std::getenv(kSimdLimitVariable));
    return chosen;
}

}  // namespace sg
