// The host's block store over an EDF or BDF input: the recorded channels' samples are paged
// straight from the input's data records, which are never written; everything else (the stages'
// computed values) goes to another store.
#pragma once

#include <memory>

#include "edf/EdfReader.h"
#include "refhost/BlockStore.h"

namespace sgf {

class EdfBlockStore final : public refhost::BlockStore {
public:
    // The host's channels 1 to n are the input's n signals, in order.
    EdfBlockStore(const EdfReader& input, std::unique_ptr<refhost::BlockStore> others)
        : input_(input), others_(std::move(others)) {}

    // Throws std::logic_error for a recorded channel's samples: the input is read only.
    void save(refhost::DataKind kind, int16_t channel, int32_t start, std::span<const float> values) override;
    void load(refhost::DataKind kind, int16_t channel, int32_t start, std::span<float> values) override;

private:
    bool isRecorded(refhost::DataKind kind, int16_t channel) const;

    const EdfReader& input_;
    std::unique_ptr<refhost::BlockStore> others_;
};

}  // namespace sgf
