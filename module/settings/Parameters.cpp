// Creating a channel's instance (selector 6) and setting one parameter (selector 10).
#include "entry/SavitzkyGolayExtension.h"
#include "host/Cleanup.h"
#include "settings/Settings.h"

namespace sg {

namespace {

constexpr int16_t kHostValueChannelCount = 1539;

bool IsEditable(const FunctionInstance& instance) {
    return instance.state == kStateSettingsInPlace || instance.state == kStateCreated;
}

// Stores a setting that shapes the weight table; a different value discards the table. The value
// is stored first: a host that fails to take the old table back must not cost the new value.
void StoreShapingSetting(LocalDataType** settings, int16_t LocalDataType::*field, int16_t value) {
    if ((*settings)->*field == value) return;
    (*settings)->*field = value;
    DisposeHandleAndClear((*settings)->weights);
}

void ApplyParameter(const ParameterValue& value, FunctionInstance** instance, LocalDataType** settings) {
    const int16_t v = value.shortValue;
    switch (value.parameter) {
        case kParamSourceChannel:
            if (v >= 1 && v <= (*instance)->channelCount) (*settings)->sourceChannel = v;
            break;
        case kParamUseComputedSource:
            (*settings)->useComputedSource = value.flagValue;
            break;
        case kParamDerivativeOrder:
            if (v >= 0 && v <= 2) StoreShapingSetting(settings, &LocalDataType::derivativeOrder, v);
            break;
        case kParamPolynomialOrder:
            if (v >= 2 && v <= 6) StoreShapingSetting(settings, &LocalDataType::polynomialOrder, v);
            break;
        case kParamWindowWidth:
            if (v >= 5 && v <= 201) StoreShapingSetting(settings, &LocalDataType::windowWidth, v);
            break;
        case kParamRangeIndex:
            if (v >= -3 && v <= 9) (*settings)->rangeIndex = v;
            break;
        default:
            break;
    }
}

}  // namespace

FunctionInstance** SavitzkyGolayExtension::CreateInstance(int16_t channel, uint8_t* flag) {
    *flag = 0;
    auto instance = reinterpret_cast<FunctionInstance**>(NewHandle(sizeof(FunctionInstance)));
    if (instance == nullptr) {
        ReportOutOfMemory();
        return nullptr;
    }
    // Until the handle is returned the host does not know it: if a service throws before then,
    // the instance would be lost to both sides.
    Cleanup discard([instance] { DisposeHandle(reinterpret_cast<Handle>(instance)); });
    LockHandle(reinterpret_cast<Handle>(instance));
    Cleanup unlock([instance] { UnlockHandle(reinterpret_cast<Handle>(instance)); });
    (*instance)->channel = channel;
    (*instance)->state = kStateCreated;
    (*instance)->settings = nullptr;
    (*instance)->channelCount = static_cast<int16_t>(GetHostValue(kHostValueChannelCount));
    unlock.Run();
    discard.Dismiss();
    return instance;
}

void SavitzkyGolayExtension::SetParameter(ParameterValue* value, FunctionInstance** instance) {
    if (instance == nullptr || !IsEditable(**instance)) return;
    if ((*instance)->settings == nullptr) {
        auto settings = reinterpret_cast<LocalDataType**>(NewHandle(sizeof(LocalDataType)));
        (*instance)->settings = settings;
        if (settings != nullptr) FillDefaultSettings(**settings, (*instance)->channel);
    }
    LocalDataType** settings = (*instance)->settings;
    if (settings == nullptr) {
        ReportOutOfMemory();
        (*instance)->state = kStateOutOfMemory;
        return;
    }
    (*instance)->state = kStateSettingsInPlace;
    ApplyParameter(*value, instance, settings);
    // Reading one's own computed values would feed the output back into itself.
    if ((*settings)->sourceChannel == (*settings)->ownChannel) (*settings)->useComputedSource = 0;
}

}  // namespace sg
