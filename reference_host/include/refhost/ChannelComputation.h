// The host's side of one channel that the extension computes: its instance and the selectors
// that act on it. A thin layer over ReferenceHost::call; tests that need other blocks build them
// by hand.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "module/entry/ParameterBlocks.h"
#include "refhost/ReferenceHost.h"

namespace refhost {

// Bytes of the host's records that the module must leave alone start with this pattern.
inline constexpr uint8_t kHostRecordByte = 0xE7;

struct OutputScalingAnswer {
    int32_t result;
    uint8_t answered;
    // The 46 bytes the module hands back, over a record the host prefilled with kFreshPoison.
    std::array<uint8_t, sg::kOutputScalingSize> record;
    sg::ChannelScaling scaling() const;  // the record's bytes, the rest of the scaling zero
};

struct DefaultTitleAnswer {
    int32_t result;
    sg::TitleRecord record;  // prefilled with kHostRecordByte and an empty text
    std::string text() const;
};

// Selector 6 for `channel`. The instance handle (null when the module answers 0) is registered
// with the host so that reported parameters reach it. Returns the handle.
sg::FunctionInstance** createInstance(ReferenceHost& host, int16_t channel);
// Selector 10 with a ParameterValue in a guarded host buffer: the value as an int16 at byte 8, or
// as one byte for kParamUseComputedSource.
int32_t setInstanceParameter(ReferenceHost& host, sg::FunctionInstance** instance, uint16_t parameter,
                             int16_t value);
// Selector 7.
std::string functionName(ReferenceHost& host);

class ChannelComputation {
public:
    // Nothing when the module cannot create the instance.
    static std::optional<ChannelComputation> create(ReferenceHost& host, int16_t channel);

    int16_t channel() const { return channel_; }
    sg::FunctionInstance** instance() const { return instance_; }

    int32_t setParameter(uint16_t parameter, int16_t value);
    // Selector 8: output[first .. end - 1] of the channel's computed values of `block`, from its own
    // raw block and whatever else the module fetches.
    int32_t computeSpan(int16_t block, int16_t first, int16_t end);
    int32_t computeBlock(int16_t block);
    OutputScalingAnswer outputScaling(int16_t block);
    DefaultTitleAnswer defaultTitle();
    bool sourceAvailable(int16_t block);

private:
    ChannelComputation(ReferenceHost& host, int16_t channel, sg::FunctionInstance** instance)
        : host_(&host), channel_(channel), instance_(instance) {}

    ReferenceHost* host_;
    int16_t channel_;
    sg::FunctionInstance** instance_;
};

}  // namespace refhost
