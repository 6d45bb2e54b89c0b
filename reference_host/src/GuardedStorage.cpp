#include "refhost/GuardedStorage.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>

namespace refhost {

GuardedStorage GuardedStorage::allocate(std::size_t payloadSize, uint8_t fill) {
    GuardedStorage storage;
    storage.base_ = static_cast<uint8_t*>(std::malloc(payloadSize + 2 * kGuardSize));
    if (storage.base_ == nullptr) throw std::bad_alloc();
    storage.size_ = payloadSize;
    std::memset(storage.payload(), fill, payloadSize);
    storage.restoreGuards();
    return storage;
}

namespace {

constexpr auto kGuardPattern = [] {
    std::array<uint8_t, kGuardSize> pattern{};
    pattern.fill(kGuardByte);
    return pattern;
}();

}  // namespace

bool GuardedStorage::guardsIntact() const {
    return std::memcmp(base_, kGuardPattern.data(), kGuardSize) == 0 &&
           std::memcmp(payload() + size_, kGuardPattern.data(), kGuardSize) == 0;
}

void GuardedStorage::restoreGuards() {
    std::memset(base_, kGuardByte, kGuardSize);
    std::memset(payload() + size_, kGuardByte, kGuardSize);
}

void GuardedStorage::poisonAll(uint8_t poison) { std::memset(base_, poison, size_ + 2 * kGuardSize); }

bool GuardedStorage::allPoisoned(uint8_t poison) const {
    return std::all_of(base_, base_ + size_ + 2 * kGuardSize, [poison](uint8_t byte) { return byte == poison; });
}

void GuardedStorage::release() {
    std::free(base_);
    base_ = nullptr;
    size_ = 0;
}

}  // namespace refhost
