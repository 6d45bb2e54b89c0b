// The services that describe the recording: index arithmetic, block lengths and records, channel
// scalings and channel records.
#include <cstring>

#include "DataAccess.h"
#include "NoisyResults.h"
#include "Services.h"
#include "module/settings/ChannelInfo.h"

namespace refhost {

namespace {

// The host's private bytes of the records it fills; the module must not rely on them.
constexpr uint8_t kBlockInfoByte = 0xB1;
constexpr uint8_t kRawChannelInfoByte = 0xA1;
constexpr uint8_t kComputedChannelInfoByte = 0xC1;

int32_t positionToIndex(void* context, const sg::DataPosition* position) {
    DataAccess access("PositionToIndex", context);
    if (!access.acceptRecord(position) || !access.acceptBlock(position->block)) return -1;
    const int16_t length = access.recording().blockLength(position->block);
    if (position->offset < 0 || position->offset >= length) {
        access.host().misbehaviour().record("PositionToIndex was given offset " + std::to_string(position->offset) +
                                            " in block " + std::to_string(position->block) + " of " +
                                            std::to_string(length) + " samples");
    }
    return access.recording().blockStart(position->block) + position->offset;
}

[[gnu::noinline]] bool rejectIndex(DataAccess& access, const char* service, int32_t index) {
    access.host().misbehaviour().record(std::string(service) + " was given index " + std::to_string(index) +
                                        ", outside the recording");
    return false;
}

inline bool acceptIndex(DataAccess& access, const char* service, int32_t index) {
    return access.ok() &&
           ((index >= 0 && index < access.recording().sampleCount()) || rejectIndex(access, service, index));
}

sg::HostWord indexToPosition(void* context, int32_t index, sg::DataPosition* position) {
    DataAccess access("IndexToPosition", context);
    if (!access.acceptRecord(position)) return 0;
    *position = acceptIndex(access, "IndexToPosition", index) ? access.recording().positionOf(index)
                                                               : sg::DataPosition{0, 0};
    return 0;
}

sg::HostWord getContiguousRange(void* context, int32_t index, int32_t* first, int32_t* last) {
    DataAccess access("GetContiguousRange", context);
    if (!access.acceptRecord(first) || !access.acceptRecord(last) || !acceptIndex(access, "GetContiguousRange", index)) {
        return 0;
    }
    std::tie(*first, *last) = access.recording().runContaining(index);
    return 0;
}

sg::HostWord getBlockLength(void* context, int32_t block) {
    DataAccess access("GetBlockLength", context);
    if (!access.acceptBlock(block)) return 0;
    return int16Result(access.noisy(), access.recording().blockLength(static_cast<int16_t>(block)));
}

sg::HostWord getBlockInfo(void* context, int32_t block, sg::BlockInfo* info) {
    DataAccess access("GetBlockInfo", context);
    if (!access.acceptRecord(info) || !access.acceptBlock(block)) return 0;
    std::memset(info, kBlockInfoByte, sizeof *info);
    info->sampleInterval = access.recording().sampleInterval(static_cast<int16_t>(block));
    return 0;
}

template <DataKind Kind>
sg::HostWord getScaling(void* context, int32_t channel, int32_t block, sg::ChannelScaling* scaling) {
    DataAccess access(Kind == DataKind::raw ? "GetRawScaling" : "GetComputedScaling", context);
    if (!access.acceptRecord(scaling) || !access.acceptChannel(channel) || !access.acceptBlock(block)) return 0;
    const ChannelDescription& description = access.recording().channel(static_cast<int16_t>(channel));
    *scaling = Kind == DataKind::raw ? description.rawScaling : description.computedScaling;
    return 0;
}

template <DataKind Kind>
sg::HostWord getChannelInfo(void* context, int32_t channel, int32_t block, sg::ChannelInfo* info) {
    DataAccess access(Kind == DataKind::raw ? "GetRawChannelInfo" : "GetComputedChannelInfo", context);
    if (!access.acceptRecord(info) || !access.acceptChannel(channel) || !access.acceptBlock(block)) return 0;
    // The pattern leaves bytes 68..69 far from 1, so the module's own mark there shows.
    std::memset(info, Kind == DataKind::raw ? kRawChannelInfoByte : kComputedChannelInfoByte, sizeof *info);
    return 0;
}

}  // namespace

void provideDataRecordServices(ServiceTable& table) {
    using namespace sg::service;
    table.provide<PositionToIndex, &positionToIndex>("PositionToIndex");
    table.provide<IndexToPosition, &indexToPosition>("IndexToPosition");
    table.provide<GetContiguousRange, &getContiguousRange>("GetContiguousRange");
    table.provide<GetBlockLength, &getBlockLength>("GetBlockLength");
    table.provide<GetBlockInfo, &getBlockInfo>("GetBlockInfo");
    table.provide<GetRawScaling, &getScaling<DataKind::raw>>("GetRawScaling");
    table.provide<GetComputedScaling, &getScaling<DataKind::computed>>("GetComputedScaling");
    table.provide<GetRawChannelInfo, &getChannelInfo<DataKind::raw>>("GetRawChannelInfo");
    table.provide<GetComputedChannelInfo, &getChannelInfo<DataKind::computed>>("GetComputedChannelInfo");
}

}  // namespace refhost
