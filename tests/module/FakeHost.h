// A small stand-in for the host's service table in unit tests. While one exists, sg::theHost
// points at its table. It serves memory as heap handles, the long-operation bracket, block
// availability, block information and scalings from values the test sets, and records the index
// of every service called. Entries it does not serve are null, so an unexpected call crashes at
// once with the forwarding routine on the stack; add entries here as tests need them.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "module/filter/ChannelScaling.h"
#include "module/host/HostCallbacks.h"

namespace sg {

class FakeHost {
public:
    // New blocks are filled with this byte: their contents are undefined for the extension.
    static constexpr uint8_t kFreshByte = 0xA5;

    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // What the services hand out.
    BlockInfo blockInfo{};              // GetBlockInfo
    ChannelScaling rawScaling{};        // GetRawScaling
    ChannelScaling computedScaling{};   // GetComputedScaling
    bool blocksAvailable = true;        // RawBlockAvailable, ComputedBlockAvailable
    bool failAllocations = false;       // NewHandle and NewBufferHandle give null
    // Every service call moves each unlocked block, as a real host may: a stale pointer into a
    // block then reads freed, poisoned memory (and trips AddressSanitizer).
    bool moveUnlockedBlocks = false;

    // What the extension asked for.
    std::vector<int> calls;             // service indices, in call order
    int32_t lastChannel = 0;            // of the last scaling or availability request
    int32_t lastBlock = 0;              // of the last block-related request

    template <class Service>
    int CallCount() const {
        int count = 0;
        for (int index : calls) count += index == Service::index ? 1 : 0;
        return count;
    }

    // A block as NewHandle makes it, for records the test sets up itself.
    Handle Allocate(int32_t byteCount);
    template <class Record>
    Record** Allocate() {
        return reinterpret_cast<Record**>(Allocate(static_cast<int32_t>(sizeof(Record))));
    }
    int32_t SizeOf(Handle handle) const { return blocks_.at(handle).size; }

    HostCallbacks* Table() { return &table_; }

private:
    struct Block {
        int32_t size;
        bool locked;
    };

    template <class Service>
    void Install(typename Service::Function function) {
        table_.entry[Service::index] = reinterpret_cast<HostEntry>(function);
    }
    // Every served call goes through here first.
    static FakeHost& Serve(int serviceIndex);
    void MoveUnlockedBlocks();
    void Dispose(Handle handle);

    static FakeHost* current_;
    HostCallbacks table_{};
    std::map<Handle, Block> blocks_;
};

}  // namespace sg
