#include "refhost/Quarantine.h"

namespace refhost {

void Quarantine::admit(GuardedStorage storage, std::string label) {
    storage.poisonAll(kStalePoison);
    entries_.push_back({storage, std::move(label)});
    if (entries_.size() > capacity_) {
        release(entries_.front());
        entries_.pop_front();
    }
}

void Quarantine::releaseAll() {
    for (Entry& entry : entries_) release(entry);
    entries_.clear();
}

void Quarantine::release(Entry& entry) {
    if (!entry.storage.allPoisoned(kStalePoison)) {
        log_.record("stale write into the old memory of " + entry.label + " after it moved");
    }
    entry.storage.release();
}

}  // namespace refhost
