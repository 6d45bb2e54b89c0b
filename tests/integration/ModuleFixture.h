// Drives the real module through Main1, loaded with dlopen by the reference host with every
// stress mode on. Each test ends by checking that the module misbehaved in no way the host can
// see and holds no data block.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "refhost/ChannelComputation.h"
#include "refhost/ReferenceHost.h"
#include "refhost/Scaling.h"

namespace sgtest {

std::filesystem::path ModulePath();
// A private copy of the module (and its resource file), so that the loader gives it fresh
// module state: nothing cached from earlier tests in the process.
std::filesystem::path FreshModuleCopy();

// Length-prefixed text as a std::string.
std::string Text(const uint8_t* value);

class ModuleTest : public ::testing::Test {
protected:
    explicit ModuleTest(refhost::HostOptions options = {}) : host(options) {}
    void SetUp() override { host.loadModule(ModulePath()); }
    void TearDown() override;

    // A channel with a native scaling of `factor` units per stored unit.
    int16_t AddChannel(const std::string& name, double factor = 1.0, const std::string& units = "mV");
    // Blocks of the given lengths, the first starting a run and each later one continuing it.
    std::vector<int16_t> AddRun(const std::vector<int16_t>& lengths, double sampleInterval = 0.001);
    // Fills the channel's raw samples of the recording, in absolute index order.
    void SetRawSamples(int16_t channel, const std::vector<float>& samples);
    std::vector<float> ComputedSamples(int16_t channel, int16_t block);
    void ExpectNoMisbehaviour();

    refhost::ReferenceHost host;
};

}  // namespace sgtest
