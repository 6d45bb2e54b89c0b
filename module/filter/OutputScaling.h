// The output channel's units, scaling and display range, and the factors that convert between
// stored values and units around the weighted sums. For smoothing the output shares the source's
// scaling; a derivative gets the source's units per time unit to the power of its order and a
// symmetric display range estimated from the source's full scale.
#pragma once

#include <cstdint>

#include "filter/ChannelScaling.h"
#include "host/HostRecords.h"
#include "settings/FunctionInstance.h"

namespace sg {

// The divisor of the estimated full scale for a display range step: 1, 2, 4 times a decade for
// steps 0..9, halving twice below 0 and then 0.1; steps beyond -3 or 9 count as those.
double RangeDivisor(int16_t rangeIndex);

// `high` if value > high, else `low` if value < low, else the value.
int32_t Clamp(int32_t value, int32_t low, int32_t high);

// Turns the source's scaling into the output's, in place. Leaves it untouched for smoothing; for a
// derivative rewrites offset, factor, units text, decimals and hasConversion. Reads
// derivativeOrder, rangeIndex and inputScale of the settings.
void DeriveOutputScaling(ChannelScaling& scaling, const BlockInfo& info, LocalDataType** settings);

// Sets inputScale, inputOffset, outputScale and outputOffset of the settings from the source's
// scaling for the block, so that a stored source value x is x * inputScale + inputOffset units and
// a weighted sum y is stored as (y - outputOffset) * outputScale. Every factor it stores is a
// finite, non-zero number.
void PrepareScaleFactors(LocalDataType** settings, int16_t block);

}  // namespace sg
