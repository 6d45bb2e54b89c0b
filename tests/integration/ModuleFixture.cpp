#include "integration/ModuleFixture.h"

#include <atomic>
#include <unistd.h>

namespace sgtest {

std::filesystem::path ModulePath() { return std::filesystem::path(SG_BUILD_DIR) / "SavitzkyGolay.so"; }

std::filesystem::path FreshModuleCopy() {
    static std::atomic<int> copies{0};
    const auto folder = std::filesystem::temp_directory_path() /
                        ("sg-module-" + std::to_string(getpid()) + "-" + std::to_string(copies++));
    std::filesystem::create_directories(folder);
    const auto copy = folder / "SavitzkyGolay.so";
    std::filesystem::copy_file(ModulePath(), copy, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(refhost::resourceFileOf(ModulePath()), refhost::resourceFileOf(copy),
                               std::filesystem::copy_options::overwrite_existing);
    return copy;
}

std::string Text(const uint8_t* value) { return std::string(value + 1, value + 1 + value[0]); }

void ModuleTest::TearDown() { ExpectNoMisbehaviour(); }

void ModuleTest::ExpectNoMisbehaviour() {
    for (const std::string& entry : host.misbehaviour().entries()) ADD_FAILURE() << "host saw: " << entry;
    host.misbehaviour().clear();
    EXPECT_EQ(host.holds().held(), 0) << "data blocks still held";
}

int16_t ModuleTest::AddChannel(const std::string& name, double factor, const std::string& units) {
    refhost::ChannelDescription channel{name, name + " title", refhost::nativeScaling(factor, units, 3),
                                        refhost::nativeScaling(factor, units, 3)};
    return host.recording().addChannel(channel);
}

std::vector<int16_t> ModuleTest::AddRun(const std::vector<int16_t>& lengths, double sampleInterval) {
    std::vector<int16_t> blocks;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        blocks.push_back(host.recording().addBlock(
            lengths[i], sampleInterval, i == 0 ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun));
    }
    return blocks;
}

void ModuleTest::SetRawSamples(int16_t channel, const std::vector<float>& samples) {
    auto& recording = host.recording();
    std::size_t next = 0;
    for (int16_t block = 1; block <= recording.blockCount() && next < samples.size(); ++block) {
        for (float& value : recording.values(refhost::DataKind::raw, channel, block)) {
            if (next < samples.size()) value = samples[next++];
        }
    }
}

std::vector<float> ModuleTest::ComputedSamples(int16_t channel, int16_t block) {
    auto values = host.recording().values(refhost::DataKind::computed, channel, block);
    return {values.begin(), values.end()};
}

}  // namespace sgtest
