#include "recording/ApplySettings.h"

namespace sgf {

void applySettings(refhost::ChannelComputation& computation, std::optional<int16_t> sourceChannel,
                   const FilterSettings& settings) {
    if (sourceChannel) computation.setParameter(sg::kParamSourceChannel, *sourceChannel);
    computation.setParameter(sg::kParamUseComputedSource, settings.computed ? 1 : 0);
    computation.setParameter(kDerivativeSetting.parameter, static_cast<int16_t>(settings.derivative));
    computation.setParameter(kOrderSetting.parameter, static_cast<int16_t>(settings.order));
    computation.setParameter(kWidthSetting.parameter, static_cast<int16_t>(settings.width));
    computation.setParameter(kRangeIndexSetting.parameter, static_cast<int16_t>(settings.rangeIndex));
}

}  // namespace sgf
