#include "refhost/HostMemory.h"

#include <algorithm>
#include <cstring>

#include "Text.h"

namespace refhost {

namespace {

std::string ownerText(Owner owner) { return owner == Owner::module ? "the module" : "the host"; }

}  // namespace

HostMemory::~HostMemory() {
    for (HandleMap& handles : handles_) {
        for (auto& [handle, block] : handles) block.storage.release();
    }
    for (auto& [pointer, block] : pointers_) block.storage.release();
}

sg::Handle HostMemory::newHandle(int32_t byteCount, Owner owner, std::string label, uint8_t fill) {
    if (byteCount < 0) {
        log_.record(ownerText(owner) + " asked for a handle of " + std::to_string(byteCount) + " bytes");
        return nullptr;
    }
    GuardedStorage storage = GuardedStorage::allocate(static_cast<std::size_t>(byteCount), fill);
    masterPointers_.push_back(storage.payload());
    sg::Handle handle = &masterPointers_.back();
    handlesOf(owner).emplace(handle, Block{storage, owner, false, std::move(label)});
    if (owner == Owner::module) ++counts_.handlesAllocated;
    return handle;
}

void* HostMemory::newPointer(int32_t byteCount, Owner owner, std::string label, uint8_t fill) {
    if (byteCount < 0) {
        log_.record(ownerText(owner) + " asked for a pointer of " + std::to_string(byteCount) + " bytes");
        return nullptr;
    }
    GuardedStorage storage = GuardedStorage::allocate(static_cast<std::size_t>(byteCount), fill);
    void* pointer = storage.payload();
    disposedPointers_.erase(pointer);  // the allocator may hand out a freed address again
    pointers_.emplace(pointer, Block{storage, owner, false, std::move(label)});
    if (owner == Owner::module) ++counts_.pointersAllocated;
    return pointer;
}

bool HostMemory::mayTouch(const Block& block, Owner caller, const char* action, const void* address) {
    if (caller == Owner::module && block.owner == Owner::host) {
        log_.record(std::string("the module tried to ") + action + " " + block.label + " (" + addressText(address) +
                    "), which belongs to the host");
        return false;
    }
    return true;
}

HostMemory::Block* HostMemory::findHandle(sg::Handle handle) {
    for (HandleMap& handles : handles_) {
        auto found = handles.find(handle);
        if (found != handles.end()) return &found->second;
    }
    return nullptr;
}

const HostMemory::Block* HostMemory::findHandle(sg::Handle handle) const {
    return const_cast<HostMemory*>(this)->findHandle(handle);
}

void HostMemory::disposeHandle(sg::Handle handle, Owner caller) {
    Block* block = findHandle(handle);
    if (block == nullptr) {
        const bool again = disposedHandles_.count(handle) != 0;
        log_.record(ownerText(caller) + (again ? " disposed the already disposed handle " : " disposed the unknown handle ") +
                    addressText(handle));
        return;
    }
    if (!mayTouch(*block, caller, "dispose", handle)) return;
    checkBlockGuards(*block);
    block->storage.release();
    *handle = nullptr;  // a later access through the stale handle faults at once
    const Owner owner = block->owner;
    if (owner == Owner::module) ++counts_.handlesDisposed;
    handlesOf(owner).erase(handle);
    disposedHandles_.insert(handle);
}

void HostMemory::disposePointer(void* pointer, Owner caller) {
    auto found = pointers_.find(pointer);
    if (found == pointers_.end()) {
        const bool again = disposedPointers_.count(pointer) != 0;
        log_.record(ownerText(caller) + (again ? " disposed the already disposed pointer " : " disposed the unknown pointer ") +
                    addressText(pointer));
        return;
    }
    Block& block = found->second;
    if (!mayTouch(block, caller, "dispose", pointer)) return;
    checkBlockGuards(block);
    block.storage.release();
    if (block.owner == Owner::module) ++counts_.pointersDisposed;
    pointers_.erase(found);
    disposedPointers_.insert(pointer);
}

void HostMemory::lock(sg::Handle handle, Owner caller) {
    if (caller == Owner::module) ++counts_.lockCalls;
    Block* block = findHandle(handle);
    if (block == nullptr) {
        log_.record(ownerText(caller) + " locked the unknown handle " + addressText(handle));
        return;
    }
    block->locked = true;
}

void HostMemory::unlock(sg::Handle handle, Owner caller) {
    if (caller == Owner::module) ++counts_.unlockCalls;
    Block* block = findHandle(handle);
    if (block == nullptr) {
        log_.record(ownerText(caller) + " unlocked the unknown handle " + addressText(handle));
        return;
    }
    block->locked = false;
}

bool HostMemory::isLocked(sg::Handle handle) const {
    const Block* block = findHandle(handle);
    return block != nullptr && block->locked;
}

std::size_t HostMemory::sizeOf(sg::Handle handle) const {
    const Block* block = findHandle(handle);
    return block == nullptr ? 0 : block->storage.size();
}

void HostMemory::relocateUnlocked() {
    for (HandleMap& handles : handles_) {
        for (auto& [handle, block] : handles) {
            if (block.locked) continue;
            checkBlockGuards(block);
            GuardedStorage moved = GuardedStorage::allocate(block.storage.size(), kFreshPoison);
            std::memcpy(moved.payload(), block.storage.payload(), block.storage.size());
            quarantine_.admit(block.storage, block.label);
            block.storage = moved;
            *handle = moved.payload();
        }
    }
}

void HostMemory::checkGuards(bool includeHostHandles) {
    for (auto& [handle, block] : handlesOf(Owner::module)) checkBlockGuards(block);
    if (includeHostHandles) {
        for (auto& [handle, block] : handlesOf(Owner::host)) checkBlockGuards(block);
    }
    for (auto& [pointer, block] : pointers_) checkBlockGuards(block);
}

bool HostMemory::checkBlockGuards(Block& block) {
    if (block.storage.guardsIntact()) return true;
    log_.record("the guard bytes around " + block.label + " (" + addressText(block.storage.payload()) +
                ") were overwritten");
    block.storage.restoreGuards();
    return false;
}

int HostMemory::livePointers(Owner owner) const {
    return static_cast<int>(std::count_if(pointers_.begin(), pointers_.end(),
                                          [owner](const auto& entry) { return entry.second.owner == owner; }));
}

std::vector<sg::Handle> HostMemory::liveModuleHandles() const {
    std::vector<sg::Handle> result;
    for (const auto& [handle, block] : handlesOf(Owner::module)) result.push_back(handle);
    return result;
}

}  // namespace refhost

namespace refhost {

std::vector<const void*> HostMemory::liveModulePointers() const {
    std::vector<const void*> result;
    for (const auto& [pointer, block] : pointers_)
        if (block.owner == Owner::module) result.push_back(pointer);
    return result;
}

std::string HostMemory::labelOf(const void* handleOrPointer) const {
    if (const Block* block = findHandle(static_cast<sg::Handle>(const_cast<void*>(handleOrPointer)))) return block->label;
    auto found = pointers_.find(handleOrPointer);
    return found == pointers_.end() ? std::string("an unknown block") : found->second.label;
}

std::vector<std::string> HostMemory::takeModuleLocks() {
    std::vector<std::string> locked;
    for (auto& [handle, block] : handlesOf(Owner::module)) {
        if (!block.locked) continue;
        locked.push_back(block.label + " (" + addressText(handle) + ") was left locked");
        block.locked = false;
    }
    return locked;
}

}  // namespace refhost
