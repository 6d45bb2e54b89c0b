#include "filter/WindowTile.h"

#include <algorithm>
#include <cstddef>

namespace sg {

WindowTile::WindowTile(int32_t firstOutput, int32_t firstStart, int32_t taps, bool sliding, SampleMatch match)
    : firstOutput_(firstOutput), firstStart_(firstStart), taps_(taps), sliding_(sliding), match_(match) {}

void WindowTile::ReadAnyChunk(int32_t k, const float* values, int32_t count) {
    const int32_t slot = k - firstStart_;
    if (!alone_) {
        const int32_t known = std::clamp(filled_ - slot, 0, count);
        if (match_(samples_ + slot, values, known)) {
            // Samples no window read (before a window whose first block the host could not give)
            // reach only the sums of windows summed alone: they need only hold numbers.
            std::fill(samples_ + std::min(filled_, slot), samples_ + slot, 0.0f);
            std::copy(values + known, values + count, samples_ + slot + known);
            filled_ = std::max(filled_, slot + count);
        } else {
            alone_ = true;
            const int32_t windowSlot = NextStart() - firstStart_;
            std::copy(samples_ + windowSlot, samples_ + windowSlot + rows_, window_);
        }
    }
    if (alone_) std::copy(values, values + count, window_ + rows_);
    rows_ += count;
}

void WindowTile::SumAlone(const double* column, int32_t stride, const SampleScales& scales) {
    if (!alone_) {
        const int32_t windowSlot = NextStart() - firstStart_;
        std::copy(samples_ + windowSlot, samples_ + windowSlot + rows_, window_);
    }
    double sum = 0.0;
    for (int32_t row = 0; row < rows_; ++row) {
        const double w = column[static_cast<std::ptrdiff_t>(row) * stride];
        sum = sum + (static_cast<double>(window_[row]) * scales.inputScale + scales.inputOffset) * w;
    }
    aloneIndex_[aloneCount_] = count_++;
    aloneValue_[aloneCount_++] = static_cast<float>((sum - scales.outputOffset) * scales.outputScale);
}

// Past a window the host cut short the kernels may read samples no window read; only the sums of
// windows summed alone reach them, so they need only hold numbers.
void WindowTile::PadUnread() {
    const int32_t used = sliding_ ? count_ + taps_ - 1 : taps_;
    if (filled_ < used) std::fill(samples_ + filled_, samples_ + used, 0.0f);
}

void WindowTile::StoreSummedAlone(float* output) const {
    for (int32_t i = 0; i < aloneCount_; ++i) output[firstOutput_ + aloneIndex_[i]] = aloneValue_[i];
}

void WindowTile::StoreSliding(CentreKernel kernel, const double* centreColumn, const SampleScales& scales,
                              float* output) {
    PadUnread();
    kernel({.source = samples_, .weights = centreColumn, .taps = taps_, .count = count_,
            .scales = scales, .output = output + firstOutput_});
    StoreSummedAlone(output);
}

void WindowTile::StoreFixed(EdgeKernel kernel, const double* firstColumn, int32_t stride, const SampleScales& scales,
                            float* output) {
    PadUnread();
    kernel({.source = samples_, .weights = firstColumn, .stride = stride, .taps = taps_, .count = count_,
            .scales = scales, .output = output + firstOutput_});
    StoreSummedAlone(output);
}

}  // namespace sg
