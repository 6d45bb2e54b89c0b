#include "FakeHost.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "module/host/HostServices.h"

namespace sg {

FakeHost* FakeHost::current_ = nullptr;

namespace {

constexpr uint8_t kFreedByte = 0xDD;
int theFakeDataContext;

}  // namespace

FakeHost::FakeHost() {
    if (current_ != nullptr) throw std::logic_error("one FakeHost at a time");
    current_ = this;
    theHost = &table_;
    theDataContext = nullptr;  // every fake host is asked for the context afresh

    Install<service::NewHandle>([](int32_t size) { return Serve(service::NewHandle::index).Allocate(size); });
    Install<service::NewBufferHandle>(
        [](int32_t size) { return Serve(service::NewBufferHandle::index).Allocate(size); });
    Install<service::LockHandle>([](Handle handle) {
        Serve(service::LockHandle::index).blocks_.at(handle).locked = true;
        return HostWord{0};
    });
    Install<service::UnlockHandle>([](Handle handle) {
        Serve(service::UnlockHandle::index).blocks_.at(handle).locked = false;
        return HostWord{0};
    });
    Install<service::DisposeHandle>([](Handle handle) {
        Serve(service::DisposeHandle::index).Dispose(handle);
        return HostWord{0};
    });
    Install<service::BeginLongOperation>([] {
        Serve(service::BeginLongOperation::index);
        return HostWord{0};
    });
    Install<service::EndLongOperation>([] {
        Serve(service::EndLongOperation::index);
        return HostWord{0};
    });
    Install<service::GetDataAccessContext>([](int32_t) -> void* {
        Serve(service::GetDataAccessContext::index);
        return &theFakeDataContext;
    });
    Install<service::GetBlockInfo>([](void*, int32_t block, BlockInfo* info) {
        FakeHost& host = Serve(service::GetBlockInfo::index);
        host.lastBlock = block;
        *info = host.blockInfo;
        return HostWord{0};
    });
    Install<service::GetRawScaling>([](void*, int32_t channel, int32_t block, ChannelScaling* scaling) {
        FakeHost& host = Serve(service::GetRawScaling::index);
        host.lastChannel = channel;
        host.lastBlock = block;
        *scaling = host.rawScaling;
        return HostWord{0};
    });
    Install<service::GetComputedScaling>([](void*, int32_t channel, int32_t block, ChannelScaling* scaling) {
        FakeHost& host = Serve(service::GetComputedScaling::index);
        host.lastChannel = channel;
        host.lastBlock = block;
        *scaling = host.computedScaling;
        return HostWord{0};
    });
    Install<service::RawBlockAvailable>([](void*, int32_t channel, int32_t block) {
        FakeHost& host = Serve(service::RawBlockAvailable::index);
        host.lastChannel = channel;
        host.lastBlock = block;
        return HostWord{host.blocksAvailable ? 1 : 0};
    });
    Install<service::ComputedBlockAvailable>([](void*, int32_t channel, int32_t block) {
        FakeHost& host = Serve(service::ComputedBlockAvailable::index);
        host.lastChannel = channel;
        host.lastBlock = block;
        return HostWord{host.blocksAvailable ? 1 : 0};
    });
}

FakeHost::~FakeHost() {
    while (!blocks_.empty()) Dispose(blocks_.begin()->first);
    theHost = nullptr;
    theDataContext = nullptr;
    current_ = nullptr;
}

FakeHost& FakeHost::Serve(int serviceIndex) {
    FakeHost& host = *current_;
    host.calls.push_back(serviceIndex);
    if (host.moveUnlockedBlocks) host.MoveUnlockedBlocks();
    return host;
}

Handle FakeHost::Allocate(int32_t byteCount) {
    if (failAllocations) return nullptr;
    void* data = std::malloc(byteCount > 0 ? byteCount : 1);
    std::memset(data, kFreshByte, byteCount);
    auto handle = new void*(data);
    blocks_[handle] = {byteCount, false};
    return handle;
}

void FakeHost::MoveUnlockedBlocks() {
    for (auto& [handle, block] : blocks_) {
        if (block.locked) continue;
        void* moved = std::malloc(block.size > 0 ? block.size : 1);
        std::memcpy(moved, *handle, block.size);
        std::memset(*handle, kFreedByte, block.size);
        std::free(*handle);
        *handle = moved;
    }
}

void FakeHost::Dispose(Handle handle) {
    blocks_.erase(handle);
    std::free(*handle);
    delete handle;
}

}  // namespace sg
