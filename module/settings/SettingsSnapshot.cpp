#include "settings/SettingsSnapshot.h"

#include "host/Cleanup.h"
#include "settings/Settings.h"

namespace sg {

SettingsSnapshot::SettingsSnapshot(FunctionInstance** instance)
    : instance_(instance), state_((*instance)->state), hadSettings_((*instance)->settings != nullptr) {
    if (hadSettings_) values_ = **(*instance)->settings;
}

void SettingsSnapshot::Restore() const {
    (*instance_)->state = state_;
    LocalDataType** settings = (*instance_)->settings;
    if (settings == nullptr) return;
    if (!hadSettings_) {
        (*instance_)->settings = nullptr;
        // The record goes back even when the host refuses its table.
        Cleanup releaseRecord([settings] { DisposeHandle(reinterpret_cast<Handle>(settings)); });
        DisposeHandleAndClear((*settings)->weights);
        releaseRecord.Run();
        return;
    }
    LocalDataType& current = **settings;
    const bool sameShape = current.derivativeOrder == values_.derivativeOrder &&
                           current.polynomialOrder == values_.polynomialOrder &&
                           current.windowWidth == values_.windowWidth;
    current.sourceChannel = values_.sourceChannel;
    current.useComputedSource = values_.useComputedSource;
    current.derivativeOrder = values_.derivativeOrder;
    current.polynomialOrder = values_.polynomialOrder;
    current.windowWidth = values_.windowWidth;
    current.rangeIndex = values_.rangeIndex;
    if (!sameShape) DisposeHandleAndClear((*settings)->weights);
}

}  // namespace sg
