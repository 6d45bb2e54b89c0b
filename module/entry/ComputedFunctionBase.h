// The base of extensions that compute a channel from other data: one virtual operation per
// selector from 6 to 17, and the dispatch that decodes each selector's parameter block.
#pragma once

#include <cstdint>

#include "entry/ExtensionBase.h"
#include "entry/ParameterBlocks.h"

namespace sg {

template <typename SettingsHandle>
class ComputedFunctionBase : public ExtensionBase {
public:
    using Settings = SettingsHandle;

    int32_t HandleSelector1(int16_t selector, void* block, HostCallbacks* host) override;

    virtual FunctionInstance** CreateInstance(int16_t channel, uint8_t* flag) = 0;
    virtual void GetFunctionName(uint8_t* name, int32_t instance) = 0;
    virtual void GetDefaultTitle(TitleRecord* title, FunctionInstance** instance) = 0;
    virtual void HandleSelector14(int16_t value4, int32_t value6, FunctionInstance** instance) = 0;
    virtual void ComputeSpan(float** ownBlockData, float** output, int16_t unused12, int16_t block, int16_t first,
                             int16_t end, uint8_t unused20, FunctionInstance** instance) = 0;
    virtual void GetSourceChannelInfo(int16_t unused6, int16_t block, ChannelInfo* info,
                                      FunctionInstance** instance) = 0;
    virtual bool IsSourceAvailable(int16_t unused6, int16_t block, FunctionInstance** instance) = 0;
    virtual bool GetOutputScaling(int16_t unused6, int16_t block, uint8_t* answered, ChannelScaling* scaling,
                                  FunctionInstance** instance) = 0;
    virtual bool RunSettingsDialog(int16_t channel, FunctionInstance** instance) = 0;
    virtual void SetParameter(ParameterValue* value, FunctionInstance** instance) = 0;
    virtual void HandleSelector15(int16_t value4, int16_t value6, int16_t value8, int16_t value10, uint8_t* area12,
                                  uint8_t* area140, FunctionInstance** instance);
    virtual bool DependsOnChannel(int16_t channel, int16_t kind, FunctionInstance** instance) = 0;

    // The whole of one Main1 call. No exception leaves it.
    int32_t Dispatch(int16_t selector, void* block, HostCallbacks* host);

protected:
    ComputedFunctionBase() = default;

private:
    int32_t DispatchOperation(int16_t selector, void* block, int32_t provisional);
};

}  // namespace sg
