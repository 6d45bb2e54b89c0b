// The parameter blocks of the selectors of Main1. The host owns every block; the extension reads
// the fields a selector names and writes only the flags and records named here, during the call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filter/ChannelScaling.h"
#include "host/HostTypes.h"
#include "settings/ChannelInfo.h"
#include "settings/FunctionInstance.h"

namespace sg {

enum Selector : int16_t {
    kSelectorSetResourceFile = 0,
    kSelectorVersion = 1,
    kSelectorCanUnload = 2,
    kSelectorCreateInstance = 6,
    kSelectorGetFunctionName = 7,
    kSelectorComputeSpan = 8,
    kSelectorRunSettingsDialog = 9,
    kSelectorSetParameter = 10,
    kSelectorGetSourceChannelInfo = 11,
    kSelectorIsSourceAvailable = 12,
    kSelectorGetOutputScaling = 13,
    kSelectorDependsOnChannel = 16,
    kSelectorGetDefaultTitle = 17,
};

// Selector 1's answer: the interface version the extension speaks.
inline constexpr int32_t kInterfaceVersion = 0x10003;

#pragma pack(push, 2)

struct SetResourceFileBlock {        // selector 0
    int16_t resourceFileRef;
};

struct CreateInstanceBlock {         // selector 6
    int32_t unused0;
    int16_t channel;
    uint8_t flag;                    // set to 0 by the extension
};

struct FunctionNameBlock {           // selector 7
    int32_t unused0;
    uint8_t* name;                   // 256-byte buffer that receives the name
};

// Selector 8: compute output[first .. end-1] of one block.
struct SpanRequest {
    FunctionInstance** instance;
    float** ownBlockData;            // the channel's own raw samples of `block`; never fetched or released
    float** output;                  // the block's output values, indexed by offset within the block
    int16_t unused12;
    int16_t block;
    int16_t first;
    int16_t end;                     // one past the last sample to compute
    uint8_t unused20;
};

struct InstanceChannelBlock {        // selectors 9 (channel) and 16 (channel, kind)
    FunctionInstance** instance;
    int16_t channel;
    int16_t kind;                    // selector 16 only
};

struct SetParameterBlock {           // selector 10
    FunctionInstance** instance;
    ParameterValue* value;
};

struct SourceInfoBlock {             // selector 11
    FunctionInstance** instance;
    int16_t block;
    int16_t unused6;
    ChannelInfo info;                // filled in place
};

struct SourceAvailableBlock {        // selector 12
    FunctionInstance** instance;
    int16_t block;
    int16_t unused6;
};

struct OutputScalingBlock {          // selector 13
    FunctionInstance** instance;
    int16_t block;
    int16_t unused6;
    uint8_t answered;                // set to 1 whenever the answer is yes
    uint8_t pad9;
    ChannelScaling* scaling;         // receives the first kOutputScalingSize bytes
};

struct Selector14Block {
    FunctionInstance** instance;
    int16_t value4;
    int32_t value6;
};

struct Selector15Block {
    FunctionInstance** instance;
    int16_t values[4];
    uint8_t area12[128];
    uint8_t area140[1];
};

// The host's title record of selector 17.
struct TitleRecord {
    uint8_t hasTitle;                // set to 1 when a title is written
    uint8_t hostPrivate[11];
    uint8_t text[kPStringBufferSize];
};

struct DefaultTitleBlock {           // selector 17
    FunctionInstance** instance;
    TitleRecord* title;
};

#pragma pack(pop)

static_assert(offsetof(CreateInstanceBlock, channel) == 4 && offsetof(CreateInstanceBlock, flag) == 6);
static_assert(offsetof(FunctionNameBlock, name) == 4);
static_assert(sizeof(SpanRequest) == 22);
static_assert(offsetof(SpanRequest, ownBlockData) == 4 && offsetof(SpanRequest, output) == 8);
static_assert(offsetof(SpanRequest, unused12) == 12 && offsetof(SpanRequest, block) == 14);
static_assert(offsetof(SpanRequest, first) == 16 && offsetof(SpanRequest, end) == 18);
static_assert(offsetof(SpanRequest, unused20) == 20);
static_assert(offsetof(InstanceChannelBlock, channel) == 4 && offsetof(InstanceChannelBlock, kind) == 6);
static_assert(offsetof(SetParameterBlock, value) == 4);
static_assert(offsetof(SourceInfoBlock, block) == 4 && offsetof(SourceInfoBlock, unused6) == 6);
static_assert(offsetof(SourceInfoBlock, info) == 8);
static_assert(offsetof(SourceInfoBlock, info) + offsetof(ChannelInfo, filledByExtension) == 76);
static_assert(offsetof(SourceAvailableBlock, block) == 4);
static_assert(offsetof(OutputScalingBlock, block) == 4 && offsetof(OutputScalingBlock, unused6) == 6);
static_assert(offsetof(OutputScalingBlock, answered) == 8 && offsetof(OutputScalingBlock, scaling) == 10);
static_assert(offsetof(Selector14Block, value4) == 4 && offsetof(Selector14Block, value6) == 6);
static_assert(offsetof(Selector15Block, values) == 4 && offsetof(Selector15Block, area12) == 12);
static_assert(offsetof(Selector15Block, area140) == 140);
static_assert(offsetof(TitleRecord, text) == 12);
static_assert(offsetof(DefaultTitleBlock, title) == 4);

}  // namespace sg
