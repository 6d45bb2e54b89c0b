#include "filter/CentreKernel.h"

namespace sg {

void FilterCentrePlain(const CentreZone& zone) {
    for (int32_t n = 0; n < zone.count; ++n) {
        const float* x = zone.source + n;
        double sum = 0.0;
        for (int32_t row = 0; row < zone.taps; ++row)
            sum = sum + (static_cast<double>(x[row]) * zone.scales.inputScale + zone.scales.inputOffset) * zone.weights[row];
        zone.output[n] = static_cast<float>((sum - zone.scales.outputOffset) * zone.scales.outputScale);
    }
}

}  // namespace sg
