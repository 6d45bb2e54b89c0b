// A recording that pages its blocks through a store on disk: what leaves memory comes back with
// its values, what the module holds stays put for the call, and the store's file is sparse and
// reaches past 2 GiB.
#include <bit>
#include <filesystem>
#include <numeric>

#include "FakeModule.h"
#include "refhost/FileBlockStore.h"
#include "sgfilter/TempFolder.h"

using namespace sg::service;
using refhost::DataKind;
using refhost::RunBoundary;
using sgf::testing::TempFolder;

namespace {

std::vector<float> ramp(std::size_t count, float start) {
    std::vector<float> values(count);
    std::iota(values.begin(), values.end(), start);
    return values;
}

std::vector<float> copied(std::span<const float> values) { return {values.begin(), values.end()}; }

}  // namespace

TEST(FileBlockStore, KeepsBlocksPastTwoGigabytesInASparseFileThatLeavesNoName) {
    TempFolder folder;
    refhost::FileBlockStore store(folder.path());
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));

    // The computed values of channel 3 start 20 GiB into the file; the last samples the host
    // can number lie almost 4 GiB further on.
    const int32_t lastStart = 32767 * 32766;
    store.save(DataKind::computed, 3, lastStart, ramp(1000, 0.5f));
    store.save(DataKind::raw, 1, 100, ramp(10, -3.0f));
    EXPECT_GT(store.fileBytes(), (uint64_t{23} << 30));
    EXPECT_LT(store.allocatedBytes(), uint64_t{1} << 20);

    std::vector<float> back(1000);
    store.load(DataKind::computed, 3, lastStart, back);
    EXPECT_EQ(back, ramp(1000, 0.5f));
    std::vector<float> raw(10);
    store.load(DataKind::raw, 1, 100, raw);
    EXPECT_EQ(raw, ramp(10, -3.0f));
    // Never written: a hole inside the file, and beyond its end.
    std::vector<float> hole(4, 9.0f);
    store.load(DataKind::raw, 2, 0, hole);
    EXPECT_EQ(hole, std::vector<float>(4, 0.0f));
    store.load(DataKind::raw, 9, 0, hole);
    EXPECT_EQ(hole, std::vector<float>(4, 0.0f));
}

TEST(FileBlockStore, ARecordingOfKnownLengthGetsRegionsOfItsSizeAndNothingBeyond) {
    TempFolder folder;
    refhost::FileBlockStore store(folder.path(), 100);
    store.save(DataKind::computed, 2, 90, ramp(10, 1.0f));
    EXPECT_EQ(store.fileBytes(), 4u * 400u);
    store.save(DataKind::raw, 2, 0, ramp(100, 5.0f));
    std::vector<float> back(10);
    store.load(DataKind::computed, 2, 90, back);
    EXPECT_EQ(back, ramp(10, 1.0f));
    EXPECT_THROW(store.save(DataKind::raw, 1, 95, ramp(10, 0.0f)), std::out_of_range);
    EXPECT_THROW(store.load(DataKind::raw, 0, 0, back), std::out_of_range);
}

class PagedRecordingTest : public HostTest {
protected:
    static constexpr std::size_t kCached = 2;
    PagedRecordingTest() {
        auto& recording = host.recording();
        recording.addChannel({"a", "a", {}, {}});
        for (int block = 0; block < 10; ++block) {
            recording.addBlock(static_cast<int16_t>(5 + block), 0.001,
                               block == 0 ? RunBoundary::startsRun : RunBoundary::continuesRun);
        }
        recording.pageThrough(std::make_unique<refhost::FileBlockStore>(folder.path()), kCached);
        for (int16_t block = 1; block <= 10; ++block) {
            recording.writeValues(DataKind::raw, 1, block, ramp(recording.blockLength(block), 100.0f * block));
        }
    }

    TempFolder folder;
};

TEST_F(PagedRecordingTest, BlocksLeaveMemoryAndComeBackWithTheirValues) {
    auto& recording = host.recording();
    EXPECT_EQ(recording.blocksInMemory(), 0u) << "written blocks go straight to the store";
    for (int16_t block = 1; block <= 10; ++block) {
        const auto values = recording.values(DataKind::computed, 1, block);
        EXPECT_EQ(std::bit_cast<uint32_t>(values[0]), refhost::kUnwrittenSampleBits);
        std::ranges::fill(values, -static_cast<float>(block));
        EXPECT_LE(recording.blocksInMemory(), kCached);
    }
    for (int round = 0; round < 2; ++round) {
        for (int16_t block = 1; block <= 10; ++block) {
            EXPECT_EQ(copied(recording.readValues(DataKind::raw, 1, block)),
                      ramp(recording.blockLength(block), 100.0f * block));
            EXPECT_EQ(copied(recording.readValues(DataKind::computed, 1, block)),
                      std::vector<float>(recording.blockLength(block), -static_cast<float>(block)));
            EXPECT_LE(recording.blocksInMemory(), kCached);
        }
    }
    // A block written while present keeps the new values through its next eviction.
    recording.writeValues(DataKind::raw, 1, 10, ramp(14, 7.0f));
    for (int16_t block = 1; block <= 4; ++block) recording.readValues(DataKind::raw, 1, block);
    EXPECT_EQ(copied(recording.readValues(DataKind::raw, 1, 10)), ramp(14, 7.0f));
}

TEST_F(PagedRecordingTest, BlocksHandedToTheModuleStayInPlaceUntilTheCallReturns) {
    auto& recording = host.recording();
    duringCall([&](sg::HostCallbacks* table) {
        std::vector<float**> held;
        for (int32_t block = 1; block <= 8; ++block) {
            held.push_back(reinterpret_cast<float**>(fake::call<GetRawBlock>(table, host.dataContext(), 1, block)));
        }
        EXPECT_GE(recording.blocksInMemory(), 8u);
        for (int16_t block = 1; block <= 8; ++block) {
            const float* values = *held[static_cast<std::size_t>(block - 1)];
            EXPECT_EQ(std::vector<float>(values, values + recording.blockLength(block)),
                      ramp(recording.blockLength(block), 100.0f * block));
            fake::call<ReleaseRawBlock>(table, host.dataContext(), 1, block);
        }
    });
    EXPECT_TRUE(misbehaviour().empty());
    EXPECT_LE(recording.blocksInMemory(), kCached);
}

TEST_F(PagedRecordingTest, BlocksTheStoreHoldsAlreadyAreLoadedFromIt) {
    // As a store over an input file holds a recorded channel's samples before any is written.
    auto& recording = host.recording();
    EXPECT_EQ(std::bit_cast<uint32_t>(recording.readValues(DataKind::computed, 1, 3)[0]), refhost::kUnwrittenSampleBits);
    recording.heldByStore(DataKind::computed, 1);
    // This store holds zeros where nothing was written.
    EXPECT_EQ(copied(recording.readValues(DataKind::computed, 1, 4)), std::vector<float>(8, 0.0f));

    refhost::Recording unpaged(host.memory());
    unpaged.addChannel({"a", "a", {}, {}});
    EXPECT_THROW(unpaged.heldByStore(DataKind::raw, 1), std::logic_error);
}
