// Memory that a relocated block moved out of. It is poisoned and kept for a while so that a
// module still reading through an old address sees poison, and a module still writing there is
// caught; then it is freed, so that the sanitizer build reports later stale reads as
// use-after-free.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "refhost/GuardedStorage.h"
#include "refhost/Misbehaviour.h"

namespace refhost {

inline constexpr uint8_t kStalePoison = 0xDD;

class Quarantine {
public:
    Quarantine(MisbehaviourLog& log, std::size_t capacity) : log_(log), capacity_(capacity) {}
    ~Quarantine() { releaseAll(); }
    Quarantine(const Quarantine&) = delete;
    Quarantine& operator=(const Quarantine&) = delete;

    // Takes ownership of `storage`, poisons it, and frees the oldest entry when over capacity.
    void admit(GuardedStorage storage, std::string label);
    // Checks every entry is still fully poisoned, then frees it.
    void releaseAll();
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        GuardedStorage storage;
        std::string label;
    };
    void release(Entry& entry);

    MisbehaviourLog& log_;
    std::size_t capacity_;
    std::deque<Entry> entries_;
};

}  // namespace refhost
