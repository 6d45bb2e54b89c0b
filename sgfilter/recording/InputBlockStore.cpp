#include "recording/InputBlockStore.h"

#include <stdexcept>

namespace sgf {

bool InputBlockStore::isRecorded(refhost::DataKind kind, int16_t channel) const {
    return kind == refhost::DataKind::raw && channel >= 1 &&
           static_cast<std::size_t>(channel) <= input_.description().channels.size();
}

void InputBlockStore::save(refhost::DataKind kind, int16_t channel, int32_t start, std::span<const float> values) {
    if (isRecorded(kind, channel)) throw std::logic_error("the samples of a recorded channel are read only");
    others_->save(kind, channel, start, values);
}

void InputBlockStore::load(refhost::DataKind kind, int16_t channel, int32_t start, std::span<float> values) {
    if (!isRecorded(kind, channel)) return others_->load(kind, channel, start, values);
    const auto index = static_cast<std::size_t>(channel - 1);
    const std::optional<int32_t> first = firstSamples_.at(index);
    if (!first || start < *first) throw std::logic_error("samples of a recorded channel outside the blocks of its rate");
    input_.readStored(index, static_cast<std::size_t>(start - *first), values);
}

void InputBlockStore::discard(refhost::DataKind kind, int16_t channel) {
    if (isRecorded(kind, channel)) throw std::logic_error("the samples of a recorded channel are read only");
    others_->discard(kind, channel);
}

}  // namespace sgf
