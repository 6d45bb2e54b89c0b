// The per-channel instance and settings records that the host keeps for every channel that
// uses the filter, and the parameter numbers through which the settings change.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/HostTypes.h"

namespace sg {

struct LocalDataType;

// Life state of an instance.
enum InstanceState : int16_t {
    kStateSettingsInPlace = 2,
    kStateCreated = 3,
    kStateOutOfMemory = 4,  // the settings record could not be allocated
};

#pragma pack(push, 2)

// Allocated by the extension through the host (selector 6); the host keeps its handle for the
// channel and passes it back at byte 0 of later parameter blocks. Lives as long as the host
// keeps the handle.
struct FunctionInstance {
    int16_t channel;                // the channel this instance computes
    int16_t state;                  // InstanceState, or a value only the host sets
    LocalDataType** settings;       // null until the first parameter is set
    int16_t channelCount;           // number of channels when the instance was created
    uint8_t reserved[2];
};

// The filter's settings for one channel, owned by the instance's `settings` handle.
struct LocalDataType {
    int16_t ownChannel;             // the channel this computation produces
    int16_t sourceChannel;          // the channel whose data is filtered, 1..channelCount
    uint8_t useComputedSource;      // non-zero: read the source's computed values
    uint8_t reserved5;
    int16_t derivativeOrder;        // 0 smoothing, 1 first, 2 second derivative
    int16_t polynomialOrder;        // 2..6
    int16_t windowWidth;            // 5..201
    int16_t rangeIndex;             // display range step, -3..9
    uint8_t reserved14[2];
    double inputScale;              // stored source value -> units
    double inputOffset;             // added after inputScale
    double outputScale;             // filtered units -> stored output value
    double outputOffset;            // subtracted before outputScale
    double** weights;               // cached weight table, or null
};

// The host's record for selector 10. The extension reads the parameter number and the value.
struct ParameterValue {
    uint8_t hostPrivate0[2];
    uint16_t parameter;             // one of ParameterNumber
    uint8_t hostPrivate4[4];
    union {
        int16_t shortValue;         // every parameter but kParamUseComputedSource
        uint8_t flagValue;          // kParamUseComputedSource
    };
};

#pragma pack(pop)

enum ParameterNumber : uint16_t {
    kParamSourceChannel = 8193,
    kParamUseComputedSource = 8194,
    kParamDerivativeOrder = 8195,
    kParamPolynomialOrder = 8196,
    kParamWindowWidth = 8197,
    kParamRangeIndex = 8198,
};

static_assert(sizeof(FunctionInstance) == 12);
static_assert(offsetof(FunctionInstance, channel) == 0);
static_assert(offsetof(FunctionInstance, state) == 2);
static_assert(offsetof(FunctionInstance, settings) == 4);
static_assert(offsetof(FunctionInstance, channelCount) == 8);

static_assert(sizeof(LocalDataType) == 52);
static_assert(offsetof(LocalDataType, ownChannel) == 0);
static_assert(offsetof(LocalDataType, sourceChannel) == 2);
static_assert(offsetof(LocalDataType, useComputedSource) == 4);
static_assert(offsetof(LocalDataType, derivativeOrder) == 6);
static_assert(offsetof(LocalDataType, polynomialOrder) == 8);
static_assert(offsetof(LocalDataType, windowWidth) == 10);
static_assert(offsetof(LocalDataType, rangeIndex) == 12);
static_assert(offsetof(LocalDataType, inputScale) == 16);
static_assert(offsetof(LocalDataType, inputOffset) == 24);
static_assert(offsetof(LocalDataType, outputScale) == 32);
static_assert(offsetof(LocalDataType, outputOffset) == 40);
static_assert(offsetof(LocalDataType, weights) == 48);

static_assert(sizeof(ParameterValue) == 10);
static_assert(offsetof(ParameterValue, parameter) == 2);
static_assert(offsetof(ParameterValue, shortValue) == 8);
static_assert(offsetof(ParameterValue, flagValue) == 8);

}  // namespace sg
