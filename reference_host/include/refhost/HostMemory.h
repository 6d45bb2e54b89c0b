// The host's memory manager as the module sees it: relocatable blocks reached through handles
// (addresses of master pointers in a table that never moves), fixed pointers, locks, and the
// checks that make the module's memory mistakes visible: guard bytes, poison in fresh and stale
// memory, and optional relocation of every unlocked block at every service call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "module/host/HostTypes.h"
#include "refhost/GuardedStorage.h"
#include "refhost/Misbehaviour.h"
#include "refhost/Quarantine.h"

namespace refhost {

// Who must give a block back. The module may dispose only its own blocks; the host's blocks
// (recorded data, parameter blocks, records) are the host's to free.
enum class Owner : uint8_t { module, host };

inline constexpr uint8_t kFreshPoison = 0xCD;  // a field the module forgot to set shows as 0xCDCD...
inline constexpr std::size_t kQuarantineCapacity = 256;

// Counts of the module's own memory calls, for tests that check what the module allocated,
// freed and locked.
struct MemoryCounts {
    int handlesAllocated = 0;
    int handlesDisposed = 0;
    int pointersAllocated = 0;
    int pointersDisposed = 0;
    int lockCalls = 0;
    int unlockCalls = 0;
};

class HostMemory {
public:
    explicit HostMemory(MisbehaviourLog& log) : log_(log), quarantine_(log, kQuarantineCapacity) {}
    ~HostMemory();
    HostMemory(const HostMemory&) = delete;
    HostMemory& operator=(const HostMemory&) = delete;

    // Null (and a misbehaviour entry) for a negative size. The block is filled with `fill`.
    sg::Handle newHandle(int32_t byteCount, Owner owner, std::string label, uint8_t fill = kFreshPoison);
    void* newPointer(int32_t byteCount, Owner owner, std::string label, uint8_t fill = kFreshPoison);
    // `caller` is who asks: the module may not dispose host blocks. Unknown, already disposed or
    // foreign blocks are recorded as misbehaviour and left alone.
    void disposeHandle(sg::Handle handle, Owner caller);
    void disposePointer(void* pointer, Owner caller);

    // Locks do not nest: one unlock frees a block however often it was locked.
    void lock(sg::Handle handle, Owner caller);
    void unlock(sg::Handle handle, Owner caller);
    bool isLocked(sg::Handle handle) const;
    bool isLiveHandle(sg::Handle handle) const { return findHandle(handle) != nullptr; }
    bool isLivePointer(const void* pointer) const { return pointers_.count(pointer) != 0; }
    std::size_t sizeOf(sg::Handle handle) const;

    // Moves the block of every unlocked handle to a fresh address; the old memory goes to the
    // quarantine.
    void relocateUnlocked();
    // Checks the guards of the live blocks; damage is recorded once and repaired. Without
    // `includeHostHandles` the host's relocatable blocks (the recorded data, which can be large)
    // are left for their next move or disposal.
    void checkGuards(bool includeHostHandles);
    // Frees the quarantine after checking that nothing wrote into it.
    void releaseQuarantine() { quarantine_.releaseAll(); }

    const MemoryCounts& counts() const { return counts_; }
    void resetCounts() { counts_ = {}; }
    int liveHandles(Owner owner) const { return static_cast<int>(handlesOf(owner).size()); }
    int livePointers(Owner owner) const;
    std::vector<sg::Handle> liveModuleHandles() const;
    // The module's fixed blocks, and the label of any live block of the module.
    std::vector<const void*> liveModulePointers() const;
    std::string labelOf(const void* handleOrPointer) const;
    // One description per block of the module that is locked; the locks are then taken off, so
    // that one forgotten unlock is reported once.
    std::vector<std::string> takeModuleLocks();

private:
    struct Block {
        GuardedStorage storage;
        Owner owner;
        bool locked = false;
        std::string label;
    };
    using HandleMap = std::unordered_map<sg::Handle, Block>;
    HandleMap& handlesOf(Owner owner) { return handles_[static_cast<std::size_t>(owner)]; }
    const HandleMap& handlesOf(Owner owner) const { return handles_[static_cast<std::size_t>(owner)]; }
    Block* findHandle(sg::Handle handle);
    const Block* findHandle(sg::Handle handle) const;
    bool checkBlockGuards(Block& block);
    bool mayTouch(const Block& block, Owner caller, const char* action, const void* address);

    MisbehaviourLog& log_;
    Quarantine quarantine_;
    std::deque<void*> masterPointers_;  // a deque never moves its elements: handles stay valid
    HandleMap handles_[2];  // by Owner, so that checks can pass over the host's data cheaply
    std::unordered_set<sg::Handle> disposedHandles_;
    std::unordered_map<const void*, Block> pointers_;
    std::unordered_set<const void*> disposedPointers_;
    MemoryCounts counts_;
};

}  // namespace refhost
