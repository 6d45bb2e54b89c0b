// One raw allocation with guard bytes on both sides of the payload, so that writes just before
// or after a block handed to the module are caught when the guards are next checked.
#pragma once

#include <cstddef>
#include <cstdint>

namespace refhost {

inline constexpr std::size_t kGuardSize = 16;
inline constexpr uint8_t kGuardByte = 0xFB;

class GuardedStorage {
public:
    GuardedStorage() = default;
    // The payload is filled with `fill`; both guards get the guard pattern.
    static GuardedStorage allocate(std::size_t payloadSize, uint8_t fill);

    uint8_t* payload() const { return base_ + kGuardSize; }
    std::size_t size() const { return size_; }
    bool guardsIntact() const;
    void restoreGuards();

    // Poisons the whole allocation, guards included; used once the module must no longer touch it.
    void poisonAll(uint8_t poison);
    bool allPoisoned(uint8_t poison) const;

    void release();

private:
    uint8_t* base_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace refhost
