#include "settings/Settings.h"

namespace sg {

void FillDefaultSettings(LocalDataType& settings, int16_t channel) {
    settings.ownChannel = channel;
    settings.sourceChannel = channel;
    settings.useComputedSource = 0;
    settings.derivativeOrder = 0;
    settings.polynomialOrder = 2;
    settings.windowWidth = 5;
    settings.rangeIndex = 0;
    settings.inputScale = 1.0;
    settings.inputOffset = 0.0;
    settings.outputScale = 1.0;
    settings.outputOffset = 0.0;
    settings.weights = nullptr;
}

void ReportOutOfMemory() {
    static const uint8_t kMessage[] = "\035Savitzky-Golay: Out of memory";
    static_assert(sizeof(kMessage) - 2 == 29);
    ReportError(kMessage);
}

}  // namespace sg
