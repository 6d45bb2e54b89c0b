// The Savitzky-Golay filter as a computed function. Its operations are defined beside the code
// they belong to: instance and parameters, dialog and naming in settings/, the computation and
// the output scaling in filter/.
#pragma once

#include "entry/ComputedFunctionBase.h"

namespace sg {

class SavitzkyGolayExtension final : public ComputedFunctionBase<LocalDataType**> {
public:
    bool HandleSelector2() override;
    void HandleSelector3() override;

    FunctionInstance** CreateInstance(int16_t channel, uint8_t* flag) override;
    void GetFunctionName(uint8_t* name, int32_t instance) override;
    void GetDefaultTitle(TitleRecord* title, FunctionInstance** instance) override;
    void HandleSelector14(int16_t value4, int32_t value6, FunctionInstance** instance) override;
    void ComputeSpan(float** ownBlockData, float** output, int16_t unused12, int16_t block, int16_t first,
                     int16_t end, uint8_t unused20, FunctionInstance** instance) override;
    void GetSourceChannelInfo(int16_t unused6, int16_t block, ChannelInfo* info,
                              FunctionInstance** instance) override;
    bool IsSourceAvailable(int16_t unused6, int16_t block, FunctionInstance** instance) override;
    bool GetOutputScaling(int16_t unused6, int16_t block, uint8_t* answered, ChannelScaling* scaling,
                          FunctionInstance** instance) override;
    bool RunSettingsDialog(int16_t channel, FunctionInstance** instance) override;
    void SetParameter(ParameterValue* value, FunctionInstance** instance) override;
    void HandleSelector15(int16_t value4, int16_t value6, int16_t value8, int16_t value10, uint8_t* area12,
                          uint8_t* area140, FunctionInstance** instance) override;
    bool DependsOnChannel(int16_t channel, int16_t kind, FunctionInstance** instance) override;
};

// The one extension object, constructed at load and never destroyed.
extern SavitzkyGolayExtension theExtension;

}  // namespace sg
