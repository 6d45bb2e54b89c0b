// The output's scaling through selector 13, and derivatives that, converted through it, give
// the true slope of a known signal per second or per millisecond.
#include <cmath>
#include <cstring>

#include "integration/ModuleFixture.h"

namespace sgtest {
namespace {

namespace service = sg::service;

class OutputScalingTest : public ModuleTest {
protected:
    // Pressure p(t) = 80 + 400 t - 900 t^2 mmHg, stored normalised with 200 mmHg at full scale.
    void Record(double interval, int samples) {
        channel = AddChannel("pressure", kFactor, "mmHg");
        AddRun({static_cast<int16_t>(samples / 2), static_cast<int16_t>(samples - samples / 2)}, interval);
        std::vector<float> stored(samples);
        for (int i = 0; i < samples; ++i) stored[i] = static_cast<float>(Pressure(i * interval) / kFactor);
        SetRawSamples(channel, stored);
        computation.emplace(*refhost::ChannelComputation::create(host, channel));
    }
    static double Pressure(double t) { return 80.0 + 400.0 * t - 900.0 * t * t; }
    static double Slope(double t) { return 400.0 - 1800.0 * t; }

    static constexpr double kFactor = 200.0 / 0.9765625;
    int16_t channel = 0;
    std::optional<refhost::ChannelComputation> computation;
};

TEST_F(OutputScalingTest, FirstDerivativeInUnitsPerMillisecond) {
    const double interval = 0.001;
    Record(interval, 400);
    computation->setParameter(sg::kParamDerivativeOrder, 1);
    computation->setParameter(sg::kParamWindowWidth, 21);
    for (int16_t block = 1; block <= 2; ++block) computation->computeBlock(block);
    const auto answer = computation->outputScaling(2);
    ASSERT_EQ(answer.result, 1);
    EXPECT_EQ(answer.answered, 1);
    const sg::ChannelScaling scaling = answer.scaling();
    EXPECT_EQ(Text(scaling.unitsText), "mmHg.ms^-1_");
    EXPECT_EQ(scaling.hasConversion, 1);
    EXPECT_GE(scaling.decimals, 0);
    EXPECT_LE(scaling.decimals, 6);

    int index = 0;
    for (int16_t block = 1; block <= 2; ++block) {
        for (float stored : ComputedSamples(channel, block)) {
            const double perMillisecond = stored * scaling.factor + scaling.offset;  // base factor 1
            EXPECT_NEAR(perMillisecond, Slope(index * interval) / 1000.0, 1e-5) << index;
            ++index;
        }
    }
}

TEST_F(OutputScalingTest, SecondDerivativeInUnitsPerSecondSquared) {
    const double interval = 0.01;
    Record(interval, 120);
    computation->setParameter(sg::kParamDerivativeOrder, 2);
    computation->setParameter(sg::kParamWindowWidth, 9);
    computation->setParameter(sg::kParamPolynomialOrder, 3);
    for (int16_t block = 1; block <= 2; ++block) computation->computeBlock(block);
    const sg::ChannelScaling scaling = computation->outputScaling(1).scaling();
    EXPECT_EQ(Text(scaling.unitsText), "mmHg.s^-2_");
    for (float stored : ComputedSamples(channel, 1)) EXPECT_NEAR(stored * scaling.factor + scaling.offset, -1800.0, 0.05);
}

TEST_F(OutputScalingTest, SmoothingHandsBackTheSourcesScaling) {
    Record(0.001, 40);
    computation->setParameter(sg::kParamDerivativeOrder, 0);
    const auto answer = computation->outputScaling(1);
    const sg::ChannelScaling source = host.recording().channel(channel).rawScaling;
    EXPECT_EQ(std::memcmp(answer.record.data(), &source, sg::kOutputScalingSize), 0);
}

TEST_F(OutputScalingTest, BlockZeroAnswersWithoutDataAndAnUnavailableBlockAnswersNo) {
    Record(0.001, 40);
    computation->setParameter(sg::kParamDerivativeOrder, 1);
    host.trace().clear();
    const auto blockZero = computation->outputScaling(0);
    EXPECT_EQ(blockZero.result, 1);
    EXPECT_EQ(blockZero.answered, 1);
    EXPECT_EQ(blockZero.record[0], refhost::kFreshPoison) << "the record is untouched";
    EXPECT_EQ(host.trace().count(service::GetBlockInfo::index), 0);

    host.recording().setAvailable(refhost::DataKind::raw, channel, 2, false);
    const auto unavailable = computation->outputScaling(2);
    EXPECT_EQ(unavailable.result, 0);
    EXPECT_EQ(unavailable.answered, 0);
    EXPECT_EQ(unavailable.record[0], refhost::kFreshPoison);
}

}  // namespace
}  // namespace sgtest
