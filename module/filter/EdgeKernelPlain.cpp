#include "filter/EdgeKernel.h"

#include <cstddef>

namespace sg {

void FilterEdgePlain(const EdgeZone& zone) {
    for (int32_t i = 0; i < zone.count; ++i) {
        double sum = 0.0;
        for (int32_t row = 0; row < zone.taps; ++row) {
            const double w = zone.weights[static_cast<std::ptrdiff_t>(row) * zone.stride + i];
            sum = sum + (static_cast<double>(zone.source[row]) * zone.scales.inputScale + zone.scales.inputOffset) * w;
        }
        zone.output[i] = static_cast<float>((sum - zone.scales.outputOffset) * zone.scales.outputScale);
    }
}

}  // namespace sg
