#include "entry/ComputedFunctionBase.h"

#include "host/HostServices.h"
#include "text/ResourceStrings.h"

namespace sg {

namespace {

// The host's current resource files hold the message for a failure the extension did not expect.
constexpr int16_t kUnexpectedFailureList = 2015;

void ReportUnexpectedFailure() noexcept {
    try {
        PStringValue message = GetCurrentResourceString(kUnexpectedFailureList, 1);
        ReportError(message.data());
    } catch (...) {
        // The host failed again while showing the message; the call still answers 0.
    }
}

}  // namespace

template <typename SettingsHandle>
int32_t ComputedFunctionBase<SettingsHandle>::HandleSelector1(int16_t, void*, HostCallbacks*) {
    return kInterfaceVersion;
}

template <typename SettingsHandle>
void ComputedFunctionBase<SettingsHandle>::HandleSelector15(int16_t, int16_t, int16_t, int16_t, uint8_t*, uint8_t*,
                                                            FunctionInstance**) {}

template <typename SettingsHandle>
int32_t ComputedFunctionBase<SettingsHandle>::Dispatch(int16_t selector, void* block, HostCallbacks* host) {
    try {
        int32_t provisional = DispatchCommon(selector, block, host);
        if (selector < 5 || selector > 17) return provisional;
        return DispatchOperation(selector, block, provisional);
    } catch (...) {
        ReportUnexpectedFailure();
        return 0;
    }
}

template <typename SettingsHandle>
int32_t ComputedFunctionBase<SettingsHandle>::DispatchOperation(int16_t selector, void* block, int32_t provisional) {
    auto yes = [provisional](bool answer) { return answer ? 1 : provisional; };
    switch (selector) {
        case 5:
            return HandleSelector5();
        case kSelectorCreateInstance: {
            auto* b = static_cast<CreateInstanceBlock*>(block);
            return reinterpret_cast<int32_t>(CreateInstance(b->channel, &b->flag));
        }
        case kSelectorGetFunctionName: {
            auto* b = static_cast<FunctionNameBlock*>(block);
            GetFunctionName(b->name, b->unused0);
            return provisional;
        }
        case kSelectorComputeSpan: {
            auto* r = static_cast<SpanRequest*>(block);
            ComputeSpan(r->ownBlockData, r->output, r->unused12, r->block, r->first, r->end, r->unused20,
                        r->instance);
            return provisional;
        }
        case kSelectorRunSettingsDialog: {
            auto* b = static_cast<InstanceChannelBlock*>(block);
            return yes(RunSettingsDialog(b->channel, b->instance));
        }
        case kSelectorSetParameter: {
            auto* b = static_cast<SetParameterBlock*>(block);
            SetParameter(b->value, b->instance);
            return provisional;
        }
        case kSelectorGetSourceChannelInfo: {
            auto* b = static_cast<SourceInfoBlock*>(block);
            GetSourceChannelInfo(b->unused6, b->block, &b->info, b->instance);
            return provisional;
        }
        case kSelectorIsSourceAvailable: {
            auto* b = static_cast<SourceAvailableBlock*>(block);
            return yes(IsSourceAvailable(b->unused6, b->block, b->instance));
        }
        case kSelectorGetOutputScaling: {
            auto* b = static_cast<OutputScalingBlock*>(block);
            return yes(GetOutputScaling(b->unused6, b->block, &b->answered, b->scaling, b->instance));
        }
        case 14: {
            auto* b = static_cast<Selector14Block*>(block);
            HandleSelector14(b->value4, b->value6, b->instance);
            return provisional;
        }
        case 15: {
            auto* b = static_cast<Selector15Block*>(block);
            HandleSelector15(b->values[0], b->values[1], b->values[2], b->values[3], b->area12, b->area140,
                             b->instance);
            return provisional;
        }
        case kSelectorDependsOnChannel: {
            auto* b = static_cast<InstanceChannelBlock*>(block);
            return yes(DependsOnChannel(b->channel, b->kind, b->instance));
        }
        case kSelectorGetDefaultTitle: {
            auto* b = static_cast<DefaultTitleBlock*>(block);
            GetDefaultTitle(b->title, b->instance);
            return provisional;
        }
        default:
            return provisional;
    }
}

template class ComputedFunctionBase<LocalDataType**>;

}  // namespace sg
