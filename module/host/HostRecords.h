// Host records that pass through the data services and belong to no other part of the module.
// All host records use 2-byte packing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sg {

#pragma pack(push, 2)

// A sample named by its block and its offset within the block.
// Written by the host (IndexToPosition) or by the extension (PositionToIndex); caller-owned.
struct DataPosition {
    int16_t block;   // blocks are numbered from 1
    int16_t offset;  // sample offset within the block
};

// What the host knows of one block. The host fills at most kBlockInfoSize bytes into a
// caller-owned buffer; the extension reads the sample interval only.
inline constexpr int kBlockInfoSize = 72;
struct BlockInfo {
    uint8_t hostPrivate[42];
    double sampleInterval;  // seconds between two samples of the block
    uint8_t hostPrivateTail[kBlockInfoSize - 50];
};

#pragma pack(pop)

static_assert(sizeof(DataPosition) == 4);
static_assert(offsetof(DataPosition, block) == 0 && offsetof(DataPosition, offset) == 2);
static_assert(sizeof(BlockInfo) == kBlockInfoSize);
static_assert(offsetof(BlockInfo, sampleInterval) == 42);

}  // namespace sg
