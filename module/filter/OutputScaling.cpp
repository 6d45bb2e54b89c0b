#include "filter/OutputScaling.h"

#include <cmath>
#include <cstring>
#include <iterator>

#include "entry/SavitzkyGolayExtension.h"
#include "host/HostServices.h"
#include "settings/SourceAvailability.h"
#include "text/PString.h"

namespace sg {

namespace {

constexpr double kFullSpan = FullScaleMax - FullScaleMin;  // the normalised full span, 1.953125

// Intervals below this are shown per millisecond, so that 1 ms sampling reads as "ms", not "s".
constexpr double kMillisecondThreshold = 0.0011;
constexpr double kMillisecondsPerSecond = 1000.0;

// A full-scale estimate below this is no usable range; the display falls back to -1..+1.
constexpr double kSmallestFullScale = 0.00001;

// ln(10) to ten digits. This literal is part of the decimals rule: a more exact value could round
// a range on a boundary differently.
constexpr double kLn10 = 2.302585093;
constexpr int32_t kMostDecimals = 6;

constexpr int16_t kLowestRangeIndex = -3;
constexpr int16_t kHighestRangeIndex = 9;
constexpr double kRangeDivisors[] = {0.1, 0.25, 0.5, 1, 2, 4, 10, 20, 40, 100, 200, 400, 1000};
static_assert(std::size(kRangeDivisors) == kHighestRangeIndex - kLowestRangeIndex + 1);

constexpr uint8_t kEmptyText[] = {0};
constexpr uint8_t kSecondsText[] = {1, 's'};
constexpr uint8_t kMillisecondsText[] = {2, 'm', 's'};
constexpr uint8_t kPowerText[] = {1, '^'};
constexpr uint8_t kMinusText[] = {1, '-'};
constexpr uint8_t kUnitsEndText[] = {1, '_'};
constexpr uint8_t kUnitsJoinText[] = {1, '.'};

// A scale factor is usable when both it and its reciprocal are finite: it neither loses the
// values nor blows them up. The host can deliver factors and intervals that are zero, infinite or
// not a number, and extreme ones overflow in the arithmetic; every factor this file stores is
// passed through here, and one that is not usable is replaced by 1, so values are taken as they
// are stored rather than turned into infinities or NaNs.
bool IsUsableFactor(double factor) { return std::isfinite(factor) && std::isfinite(1.0 / factor); }
double UsableFactor(double factor) { return IsUsableFactor(factor) ? factor : 1.0; }

// The sample interval in the time unit of the output's units, raised to the derivative order.
struct TimeBase {
    bool milliseconds;
    double power;
};

TimeBase TimeBaseOf(double seconds, int16_t derivativeOrder) {
    const bool milliseconds = seconds < kMillisecondThreshold;
    const double step = milliseconds ? seconds * kMillisecondsPerSecond : seconds;
    double power = 1.0;
    for (int16_t n = 0; n < derivativeOrder; ++n) power *= step;
    return {milliseconds, power};
}

// An interval that is not a positive number of seconds, or whose power over- or underflows, is
// taken as 1 s: the derivative is then per sample, which keeps range and factors finite.
TimeBase OutputTimeBase(double sampleInterval, int16_t derivativeOrder) {
    const TimeBase given = TimeBaseOf(sampleInterval, derivativeOrder);
    if (sampleInterval > 0.0 && IsUsableFactor(given.power)) return given;
    return TimeBaseOf(1.0, derivativeOrder);
}

struct DisplayRange {
    double top;
    double bottom;
};

// Symmetric about zero. An estimate that is too small (zero and negative ones included), not a
// number, or too large for its span to stay finite, gives -1..+1.
DisplayRange DisplayRangeFor(double fullScale) {
    if (fullScale >= kSmallestFullScale && std::isfinite(2.0 * fullScale)) return {fullScale, -fullScale};
    return {1.0, -1.0};
}

// About seven digits across the span, from 0 to kMostDecimals decimals.
int16_t DecimalsFor(double span) {
    const double decimals = 6.0 - std::log(span) / kLn10 + 0.9;
    const auto rounded = static_cast<int16_t>(std::lround(decimals));
    return static_cast<int16_t>(Clamp(rounded, 0, kMostDecimals));
}

// The time unit to the negative power of the derivative order, e.g. "s^-1_" or "ms^-2_".
PStringValue TimeUnitsText(bool milliseconds, int16_t derivativeOrder) {
    PStringValue text{};
    const PStringValue order = NumberToPString(derivativeOrder);
    PStringConcat5(text.data(), milliseconds ? kMillisecondsText : kSecondsText, kPowerText, kMinusText,
                   order.data(), kUnitsEndText);
    return text;
}

// The source's units per time unit: "U.s^-1_", or the time part alone when the source has no
// units text. The source's text is read only as far as its field reaches, whatever its length
// byte claims; the joined text is cut to the 25 characters the field holds.
void WriteDerivativeUnits(ChannelScaling& scaling, const uint8_t* timeUnits) {
    uint8_t base[sizeof(scaling.nativeUnitsText)];
    if (scaling.hasConversion != 0) {
        PStringCopyBounded(base, scaling.unitsText, sizeof(scaling.unitsText));
    } else {
        PStringCopyBounded(base, scaling.nativeUnitsText, sizeof(scaling.nativeUnitsText));
    }
    if (PStringCompare(base, kEmptyText) == 0) {
        PStringCopyBounded(scaling.unitsText, timeUnits, kUnitsTextSize);
    } else {
        PStringConcat3(kUnitsTextSize, scaling.unitsText, base, kUnitsJoinText, timeUnits);
    }
}

// Units per stored unit and units at stored 0, in whichever form the scaling is given.
double UnitsPerStoredUnit(const ChannelScaling& scaling) {
    return scaling.hasConversion != 0 ? scaling.baseFactor * scaling.factor : scaling.nativeFactor;
}
double UnitsAtStoredZero(const ChannelScaling& scaling) { return scaling.hasConversion != 0 ? scaling.offset : 0.0; }

// The block's information and the source's scaling for it, as the host delivers them.
void FetchSourceScaling(LocalDataType** settings, int16_t block, BlockInfo& info, ChannelScaling& scaling) {
    GetBlockInfo(block, &info);
    // Read after the host call: the settings may have moved.
    const int16_t source = (*settings)->sourceChannel;
    if ((*settings)->useComputedSource != 0) {
        GetComputedScaling(source, block, &scaling);
    } else {
        GetRawScaling(source, block, &scaling);
    }
}

}  // namespace

double RangeDivisor(int16_t rangeIndex) {
    return kRangeDivisors[Clamp(rangeIndex, kLowestRangeIndex, kHighestRangeIndex) - kLowestRangeIndex];
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    if (value > high) return high;
    if (value < low) return low;
    return value;
}

void DeriveOutputScaling(ChannelScaling& scaling, const BlockInfo& info, LocalDataType** settings) {
    const int16_t derivativeOrder = (*settings)->derivativeOrder;
    if (derivativeOrder <= 0) return;

    const TimeBase time = OutputTimeBase(info.sampleInterval, derivativeOrder);
    const double fullScale = kFullSpan * (*settings)->inputScale / time.power;
    const DisplayRange range = DisplayRangeFor(fullScale / RangeDivisor((*settings)->rangeIndex));
    const double span = range.top - range.bottom;

    // The normalised full span of the output maps onto bottom..top.
    scaling.offset = (range.top + range.bottom) * 0.5;
    scaling.factor = UsableFactor(span / (kFullSpan * scaling.baseFactor));
    WriteDerivativeUnits(scaling, TimeUnitsText(time.milliseconds, derivativeOrder).data());
    scaling.decimals = DecimalsFor(span);
    scaling.hasConversion = 1;
}

void PrepareScaleFactors(LocalDataType** settings, int16_t block) {
    BlockInfo info{};
    ChannelScaling scaling{};
    FetchSourceScaling(settings, block, info, scaling);

    (*settings)->inputScale = UsableFactor(UnitsPerStoredUnit(scaling));
    (*settings)->inputOffset = UnitsAtStoredZero(scaling);

    DeriveOutputScaling(scaling, info, settings);
    double outputScale = 1.0 / UnitsPerStoredUnit(scaling);
    double outputOffset = UnitsAtStoredZero(scaling);
    const int16_t derivativeOrder = (*settings)->derivativeOrder;
    if (derivativeOrder > 0) {
        // The weighted sums are derivatives per sample; per time unit they are divided by the
        // interval's power.
        const double power = OutputTimeBase(info.sampleInterval, derivativeOrder).power;
        outputScale = outputScale / power;
        outputOffset = outputOffset * power;
    }
    (*settings)->outputScale = UsableFactor(outputScale);
    (*settings)->outputOffset = outputOffset;
}

bool SavitzkyGolayExtension::GetOutputScaling(int16_t, int16_t block, uint8_t* answered, ChannelScaling* scaling,
                                              FunctionInstance** instance) {
    // Block 0 holds no data: the answer is yes and the host keeps the scaling it has.
    if (block == 0) {
        *answered = 1;
        return true;
    }
    if (CheckSourceBlock(block, instance) != kSourceAvailable) return false;
    *answered = 1;

    LocalDataType** settings = (*instance)->settings;
    BlockInfo info{};
    ChannelScaling output{};
    FetchSourceScaling(settings, block, info, output);
    DeriveOutputScaling(output, info, settings);
    std::memcpy(scaling, &output, kOutputScalingSize);
    return true;
}

}  // namespace sg
