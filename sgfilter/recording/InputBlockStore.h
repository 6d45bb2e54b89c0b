// The host's block store over an input recording: the recorded channels' samples are paged
// straight from wherever the input's format keeps them, and are never written; everything else
// (the stages' computed values) goes to another store.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "input/InputRecording.h"
#include "refhost/BlockStore.h"

namespace sgf {

class InputBlockStore final : public refhost::BlockStore {
public:
    // The host's channels 1 to n are the input's n channels, in order; channel i's samples start
    // at the host's absolute index `firstSamples[i]`, the first of the blocks of its rate, and a
    // channel without one is not read.
    InputBlockStore(const InputRecording& input, std::vector<std::optional<int32_t>> firstSamples,
                    std::unique_ptr<refhost::BlockStore> others)
        : input_(input), firstSamples_(std::move(firstSamples)), others_(std::move(others)) {}

    // Throws std::logic_error for a recorded channel's samples: the input is read only.
    void save(refhost::DataKind kind, int16_t channel, int32_t start, std::span<const float> values) override;
    void load(refhost::DataKind kind, int16_t channel, int32_t start, std::span<float> values) override;
    void discard(refhost::DataKind kind, int16_t channel) override;

private:
    bool isRecorded(refhost::DataKind kind, int16_t channel) const;

    const InputRecording& input_;
    std::vector<std::optional<int32_t>> firstSamples_;
    std::unique_ptr<refhost::BlockStore> others_;
};

}  // namespace sgf
