// The services that hand out and take back blocks of sample data, and say whether a block is
// available: GetRawBlock, ReleaseRawBlock, RawBlockAvailable and their computed counterparts.
#include "DataAccess.h"
#include "NoisyResults.h"
#include "Services.h"

namespace refhost {

namespace {

template <DataKind Kind>
constexpr const char* nameFor(const char* raw, const char* computed) {
    return Kind == DataKind::raw ? raw : computed;
}

template <DataKind Kind>
sg::Handle fetchBlock(void* context, int32_t channel, int32_t block) {
    DataAccess access(nameFor<Kind>("GetRawBlock", "GetComputedBlock"), context);
    if (!access.acceptChannel(channel) || !access.acceptBlock(block)) return nullptr;
    const auto channelNumber = static_cast<int16_t>(channel);
    const auto blockNumber = static_cast<int16_t>(block);
    const bool available =
        access.recording().isAvailable(Kind, channelNumber, blockNumber) && !access.host().faults().blockFetchFails();
    access.host().holds().fetched(Kind, channelNumber, blockNumber, available);
    return available ? access.recording().lentHandle(Kind, channelNumber, blockNumber) : nullptr;
}

template <DataKind Kind>
sg::HostWord releaseBlock(void* context, int32_t channel, int32_t block) {
    const char* service = nameFor<Kind>("ReleaseRawBlock", "ReleaseComputedBlock");
    DataAccess access(service, context);
    if (!access.acceptChannel(channel) || !access.acceptBlock(block)) return 0;
    if (!access.host().holds().released(Kind, static_cast<int16_t>(channel), static_cast<int16_t>(block))) {
        access.host().misbehaviour().record(std::string(service) + " of block " + std::to_string(block) + " of channel " +
                                            std::to_string(channel) + " matches no fetch");
    }
    return 0;
}

template <DataKind Kind>
sg::HostWord blockAvailable(void* context, int32_t channel, int32_t block) {
    DataAccess access(nameFor<Kind>("RawBlockAvailable", "ComputedBlockAvailable"), context);
    const bool available = access.acceptChannel(channel) && access.acceptBlock(block) &&
                           access.recording().isAvailable(Kind, static_cast<int16_t>(channel), static_cast<int16_t>(block));
    return booleanResult(access.noisy(), available);
}

}  // namespace

void provideDataBlockServices(ServiceTable& table) {
    using namespace sg::service;
    table.provide<GetRawBlock, &fetchBlock<DataKind::raw>>("GetRawBlock");
    table.provide<ReleaseRawBlock, &releaseBlock<DataKind::raw>>("ReleaseRawBlock");
    table.provide<RawBlockAvailable, &blockAvailable<DataKind::raw>>("RawBlockAvailable");
    table.provide<GetComputedBlock, &fetchBlock<DataKind::computed>>("GetComputedBlock");
    table.provide<ReleaseComputedBlock, &releaseBlock<DataKind::computed>>("ReleaseComputedBlock");
    table.provide<ComputedBlockAvailable, &blockAvailable<DataKind::computed>>("ComputedBlockAvailable");
}

}  // namespace refhost
