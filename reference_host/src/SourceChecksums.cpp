#include "refhost/SourceChecksums.h"

#include <cstring>

namespace refhost {

namespace {

// FNV-1a over the values' bytes: cheap, and any changed byte changes it.
uint64_t checksumOf(std::span<const float> values) {
    uint64_t hash = 14695981039346656037ull;
    const auto* bytes = reinterpret_cast<const uint8_t*>(values.data());
    for (std::size_t i = 0; i < values.size_bytes(); ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    return hash;
}

}  // namespace

void SourceChecksums::take(const Recording& recording, int16_t writtenChannel) {
    entries_.clear();
    for (int16_t channel = 1; channel <= recording.channelCount(); ++channel) {
        for (int16_t block = 1; block <= recording.blockCount(); ++block) {
            entries_.push_back({DataKind::raw, channel, block,
                                checksumOf(recording.readValues(DataKind::raw, channel, block))});
            if (channel == writtenChannel) continue;
            entries_.push_back({DataKind::computed, channel, block,
                                checksumOf(recording.readValues(DataKind::computed, channel, block))});
        }
    }
}

void SourceChecksums::verify(const Recording& recording, MisbehaviourLog& log) const {
    for (const Entry& entry : entries_) {
        if (checksumOf(recording.readValues(entry.kind, entry.channel, entry.block)) == entry.checksum) continue;
        log.record(std::string("the module changed the ") + (entry.kind == DataKind::raw ? "raw" : "computed") +
                   " data of block " + std::to_string(entry.block) + " of channel " + std::to_string(entry.channel));
    }
}

}  // namespace refhost
