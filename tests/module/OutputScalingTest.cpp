// The output's units, range and decimals for derivatives, the conversion factors around the
// weighted sums, selector 13, and what becomes of intervals and factors no host should send.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "FakeHost.h"
#include "PStringText.h"
#include "module/entry/ParameterBlocks.h"
#include "module/entry/SavitzkyGolayExtension.h"
#include "module/filter/OutputScaling.h"
#include "module/host/HostServices.h"

namespace sg {
namespace {

constexpr int16_t kOwnChannel = 3;
constexpr int16_t kSourceChannel = 2;
constexpr int16_t kBlock = 7;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void SetText(uint8_t* field, const std::string& text) {
    field[0] = static_cast<uint8_t>(text.size());
    std::memcpy(field + 1, text.data(), text.size());
}

// The fields an output's scaling is judged by, read out of the host's packed record.
struct Output {
    double offset;
    double factor;
    std::string units;
    int decimals;
    int hasConversion;
};
Output Summary(const ChannelScaling& scaling) {
    return {scaling.offset, scaling.factor, Text(scaling.unitsText), scaling.decimals, scaling.hasConversion};
}

ChannelScaling Native(const std::string& units, double nativeFactor, double baseFactor = 2.0) {
    ChannelScaling scaling{};
    SetText(scaling.nativeUnitsText, units);
    SetText(scaling.unitsText, "unused");
    scaling.nativeFactor = nativeFactor;
    scaling.baseFactor = baseFactor;
    scaling.decimals = 3;
    scaling.notInterpreted = 0x5A;
    return scaling;
}

ChannelScaling Converted(const std::string& units, double offset, double factor, double baseFactor) {
    ChannelScaling scaling{};
    SetText(scaling.unitsText, units);
    SetText(scaling.nativeUnitsText, "unused");
    scaling.offset = offset;
    scaling.factor = factor;
    scaling.baseFactor = baseFactor;
    scaling.hasConversion = 1;
    scaling.decimals = 2;
    return scaling;
}

class OutputScalingTest : public ::testing::Test {
protected:
    FakeHost host;
    FunctionInstance** instance = host.Allocate<FunctionInstance>();
    LocalDataType** settings = host.Allocate<LocalDataType>();

    OutputScalingTest() {
        **instance = {kOwnChannel, kStateSettingsInPlace, settings, 4, {}};
        **settings = {};
        (*settings)->ownChannel = kOwnChannel;
        (*settings)->sourceChannel = kSourceChannel;
        (*settings)->inputScale = 1.0;
        (*settings)->outputScale = 1.0;
        host.blockInfo.sampleInterval = 1.0;
        host.rawScaling = Native("U", 1.0);
    }

    void SetDerivative(int16_t order, int16_t rangeIndex = 0) {
        (*settings)->derivativeOrder = order;
        (*settings)->rangeIndex = rangeIndex;
    }

    // The source's raw scaling turned into the output's, with inputScale as given.
    Output Derived(double inputScale) {
        (*settings)->inputScale = inputScale;
        ChannelScaling scaling = host.rawScaling;
        DeriveOutputScaling(scaling, host.blockInfo, settings);
        return Summary(scaling);
    }

    // Selector 13 as the host sends it; the caller's record starts out as 0xEE bytes.
    struct Answer {
        int32_t result;
        uint8_t answered;
        uint8_t record[kOutputScalingSize];
        Output Scaling() const {
            ChannelScaling scaling{};
            std::memcpy(&scaling, record, sizeof record);
            return Summary(scaling);
        }
    };
    Answer AskOutputScaling(FunctionInstance** askedFor, int16_t block) {
        Answer answer{};
        std::memset(answer.record, 0xEE, sizeof answer.record);
        OutputScalingBlock parameters{askedFor, block, 0, 0, 0, reinterpret_cast<ChannelScaling*>(answer.record)};
        answer.result = theExtension.Dispatch(kSelectorGetOutputScaling, &parameters, host.Table());
        answer.answered = parameters.answered;
        return answer;
    }
};

// A source in units U per stored unit, sampled every 0.1 s, differentiated once.
TEST_F(OutputScalingTest, FirstDerivativeOfANativeSource) {
    host.blockInfo.sampleInterval = 0.1;
    SetDerivative(1);
    PrepareScaleFactors(settings, kBlock);
    EXPECT_EQ((*settings)->inputScale, 1.0);
    EXPECT_EQ((*settings)->inputOffset, 0.0);
    EXPECT_DOUBLE_EQ((*settings)->outputScale, 0.5);
    EXPECT_EQ((*settings)->outputOffset, 0.0);
    // A slope of 19.53125 U/s, i.e. 1.953125 per sample, is stored at the top of the full scale.
    EXPECT_DOUBLE_EQ((1.953125 - (*settings)->outputOffset) * (*settings)->outputScale, FullScaleMax);

    const Answer answer = AskOutputScaling(instance, kBlock);
    EXPECT_EQ(answer.result, 1);
    EXPECT_EQ(answer.answered, 1);
    const Output output = answer.Scaling();
    EXPECT_EQ(output.offset, 0.0);
    EXPECT_DOUBLE_EQ(output.factor, 39.0625 / (1.953125 * 2.0));
    EXPECT_EQ(output.units, "U.s^-1_");
    EXPECT_EQ(output.decimals, 5);
    EXPECT_EQ(output.hasConversion, 1);
    EXPECT_EQ(host.lastChannel, kSourceChannel);
    EXPECT_EQ(host.lastBlock, kBlock);
}

TEST_F(OutputScalingTest, DecimalsFollowTheRangeAndStayWithinZeroToSix) {
    SetDerivative(1);
    const struct {
        double fullScale;
        int16_t decimals;
        double top;
    } cases[] = {{1000, 4, 1000}, {1, 6, 1}, {1e6, 1, 1e6}, {0.9e-5, 6, 1}, {0, 6, 1}, {-5, 6, 1}};
    for (const auto& c : cases) {
        const Output scaling = Derived(c.fullScale / 1.953125);
        EXPECT_EQ(scaling.decimals, c.decimals) << c.fullScale;
        EXPECT_DOUBLE_EQ(scaling.factor, 2 * c.top / (1.953125 * 2.0)) << c.fullScale;
        EXPECT_EQ(scaling.offset, 0.0) << c.fullScale;
    }
}

// Range steps 1, 2, 4 per decade from 0 to 9, halving twice below 0 and then 0.1; steps beyond
// -3 and 9 count as those.
TEST_F(OutputScalingTest, RangeIndexDividesTheFullScale) {
    const struct {
        int16_t rangeIndex;
        double divisor;
    } cases[] = {{-5, 0.1}, {-3, 0.1}, {-2, 0.25}, {-1, 0.5}, {0, 1}, {2, 4}, {3, 10}, {8, 400}, {9, 1000}, {12, 1000}};
    for (const auto& c : cases) {
        SetDerivative(1, c.rangeIndex);
        EXPECT_DOUBLE_EQ(Derived(4000 / 1.953125).factor, 2 * 4000 / c.divisor / (1.953125 * 2.0)) << c.rangeIndex;
    }
}

TEST_F(OutputScalingTest, UnitsTextComesFromTheFormInUseAndIsCutTo25Characters) {
    SetDerivative(2);
    EXPECT_EQ(Derived(1).units, "U.s^-2_");
    host.rawScaling = Converted("mV", 0, 1, 1);
    EXPECT_EQ(Derived(1).units, "mV.s^-2_");
    host.rawScaling = Converted("", 0, 1, 1);
    EXPECT_EQ(Derived(1).units, "s^-2_");
    host.rawScaling = Native("", 1);
    EXPECT_EQ(Derived(1).units, "s^-2_");
    host.rawScaling = Converted("abcdefghijklmnopqrst", 0, 1, 1);
    EXPECT_EQ(Derived(1).units, "abcdefghijklmnopqrst.s^-2");
}

TEST_F(OutputScalingTest, IntervalsBelow1point1MillisecondsAreShownPerMillisecond) {
    SetDerivative(1);
    host.blockInfo.sampleInterval = 0.0011;
    Output scaling = Derived(1);
    EXPECT_EQ(scaling.units, "U.s^-1_");
    EXPECT_DOUBLE_EQ(scaling.factor, 1 / 0.0011);  // range +-1.953125 / 0.0011 s

    SetDerivative(2);
    host.blockInfo.sampleInterval = 0.001;
    scaling = Derived(1);
    EXPECT_EQ(scaling.units, "U.ms^-2_");
    EXPECT_EQ(scaling.factor, 1.0);  // (1 ms)^2 = 1: range +-1.953125
    // The output scale divides by the same power the range was estimated with.
    PrepareScaleFactors(settings, kBlock);
    EXPECT_DOUBLE_EQ((*settings)->outputScale, 0.5);
}

TEST_F(OutputScalingTest, SmoothingSharesTheSourceScalingAndInvertsItsFactors) {
    host.rawScaling = Converted("kPa", 12.5, 0.25, 8);
    ChannelScaling untouched = host.rawScaling;
    DeriveOutputScaling(untouched, host.blockInfo, settings);
    EXPECT_EQ(std::memcmp(&untouched, &host.rawScaling, sizeof untouched), 0);

    PrepareScaleFactors(settings, kBlock);
    EXPECT_EQ((*settings)->inputScale, 2.0);
    EXPECT_EQ((*settings)->inputOffset, 12.5);
    EXPECT_EQ((*settings)->outputScale, 0.5);
    EXPECT_EQ((*settings)->outputOffset, 12.5);

    const Answer answer = AskOutputScaling(instance, kBlock);
    EXPECT_EQ(answer.result, 1);
    EXPECT_EQ(std::memcmp(answer.record, &host.rawScaling, kOutputScalingSize), 0);
}

TEST_F(OutputScalingTest, ComputedSourceIsAskedForItsComputedScaling) {
    (*settings)->useComputedSource = 1;
    host.computedScaling = Native("V", 1);
    SetDerivative(1);
    const Answer answer = AskOutputScaling(instance, kBlock);
    EXPECT_EQ(answer.Scaling().units, "V.s^-1_");
    EXPECT_EQ(host.CallCount<service::GetRawScaling>(), 0);
    EXPECT_EQ(host.lastChannel, kSourceChannel);
}

TEST_F(OutputScalingTest, Selector13AnswersYesForBlockZeroWithoutAskingTheHost) {
    const Answer answer = AskOutputScaling(instance, 0);
    EXPECT_EQ(answer.result, 1);
    EXPECT_EQ(answer.answered, 1);
    for (uint8_t byte : answer.record) EXPECT_EQ(byte, 0xEE);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(OutputScalingTest, Selector13AnswersNoAndWritesNothingWithoutSourceData) {
    host.blocksAvailable = false;
    for (FunctionInstance** askedFor : {instance, static_cast<FunctionInstance**>(nullptr)}) {
        const Answer answer = AskOutputScaling(askedFor, kBlock);
        EXPECT_EQ(answer.result, 0);
        EXPECT_EQ(answer.answered, 0);
        for (uint8_t byte : answer.record) EXPECT_EQ(byte, 0xEE);
    }
    EXPECT_EQ(host.CallCount<service::GetRawScaling>(), 0);
}

TEST_F(OutputScalingTest, Selector13ReadsTheSettingsWhereverTheHostMovesThem) {
    SetDerivative(2, 4);
    const Answer still = AskOutputScaling(instance, kBlock);
    host.moveUnlockedBlocks = true;
    const Answer moved = AskOutputScaling(instance, kBlock);
    EXPECT_EQ(std::memcmp(moved.record, still.record, kOutputScalingSize), 0);
}

// An interval that is not a positive, usable number of seconds counts as 1 s.
TEST_F(OutputScalingTest, UnusableIntervalIsTakenAsOneSecond) {
    SetDerivative(2);
    PrepareScaleFactors(settings, kBlock);
    const LocalDataType perSecond = **settings;
    const Answer expected = AskOutputScaling(instance, kBlock);
    for (double interval : {0.0, -0.1, -kInf, kInf, kNaN, 1e-200, 1e200}) {
        host.blockInfo.sampleInterval = interval;
        PrepareScaleFactors(settings, kBlock);
        EXPECT_EQ((*settings)->outputScale, perSecond.outputScale) << interval;
        EXPECT_EQ((*settings)->outputOffset, perSecond.outputOffset) << interval;
        const Answer answer = AskOutputScaling(instance, kBlock);
        EXPECT_EQ(std::memcmp(answer.record, expected.record, kOutputScalingSize), 0) << interval;
    }
}

// Whatever factors the host sends, every factor stored is finite and non-zero, the range is
// finite and the decimals stay within 0..6.
TEST_F(OutputScalingTest, UnusableFactorsNeverYieldInfinitiesOrNaNs) {
    const double bad[] = {0.0, -0.0, kInf, -kInf, kNaN, 1e-320, 1e308};
    for (int16_t order = 0; order <= 2; ++order) {
        SetDerivative(order);
        for (double value : bad) {
            const ChannelScaling sources[] = {Native("U", value, 1), Native("U", 1, value), Converted("U", 0, value, 1),
                                              Converted("U", 0, 1, value)};
            for (const ChannelScaling& source : sources) {
                host.rawScaling = source;
                host.blockInfo.sampleInterval = 1e-5;
                PrepareScaleFactors(settings, kBlock);
                for (double factor : {(*settings)->inputScale, (*settings)->outputScale}) {
                    EXPECT_TRUE(std::isfinite(factor) && factor != 0.0) << order << " " << value;
                }
                EXPECT_TRUE(std::isfinite((*settings)->inputOffset));
                EXPECT_TRUE(std::isfinite((*settings)->outputOffset));
                if (order == 0) continue;  // selector 13 hands back the source's own record
                const Output output = AskOutputScaling(instance, kBlock).Scaling();
                EXPECT_TRUE(std::isfinite(output.factor) && output.factor != 0.0) << value;
                EXPECT_EQ(output.offset, 0.0);
                EXPECT_GE(output.decimals, 0);
                EXPECT_LE(output.decimals, 6);
            }
        }
    }
    // A full-scale estimate that overflows gets the -1..+1 range.
    SetDerivative(1);
    host.rawScaling = Native("U", 1);
    host.blockInfo.sampleInterval = 1e-300;
    const Output huge = Derived(1e300);
    EXPECT_EQ(huge.factor, 2 / (1.953125 * 2.0));
    EXPECT_EQ(huge.decimals, 6);
}

TEST_F(OutputScalingTest, UnusableConversionFactorReadsStoredValuesAsUnits) {
    host.rawScaling = Native("U", 0.0);
    PrepareScaleFactors(settings, kBlock);
    EXPECT_EQ((*settings)->inputScale, 1.0);
    EXPECT_EQ((*settings)->outputScale, 1.0);
    host.rawScaling = Converted("U", 0.5, kNaN, 1);
    PrepareScaleFactors(settings, kBlock);
    EXPECT_EQ((*settings)->inputScale, 1.0);
    EXPECT_EQ((*settings)->inputOffset, 0.5);
}

}  // namespace
}  // namespace sg
