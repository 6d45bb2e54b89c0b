#include "filter/WindowTile.h"

#include <cstddef>

namespace sg {

WindowTile::WindowTile(int32_t firstOutput, int32_t firstStart, int32_t taps, bool sliding)
    : firstOutput_(firstOutput), firstStart_(firstStart), taps_(taps), sliding_(sliding) {}

void WindowTile::BeginWindow() {
    rows_ = 0;
    differs_ = false;
}

void WindowTile::EndWindow(const double* column, int32_t stride, const SampleScales& scales) {
    if (rows_ == taps_ && !differs_) {
        ++count_;
        return;
    }
    double sum = 0.0;
    for (int32_t row = 0; row < rows_; ++row) {
        const double w = column[static_cast<std::ptrdiff_t>(row) * stride];
        sum = sum + (static_cast<double>(window_[row]) * scales.inputScale + scales.inputOffset) * w;
    }
    aloneIndex_[aloneCount_] = count_++;
    aloneValue_[aloneCount_++] = static_cast<float>((sum - scales.outputOffset) * scales.outputScale);
}

// Samples no window read (past a window the host cut short) still go through the kernels, whose
// sums over them are then replaced; they only need to hold numbers.
void WindowTile::PadUnread() {
    const int32_t used = sliding_ ? count_ + taps_ - 1 : taps_;
    for (int32_t slot = 0; slot < used; ++slot)
        if (!filled_[slot]) samples_[slot] = 0.0f;
}

void WindowTile::StoreSummedAlone(float* output) const {
    for (int32_t i = 0; i < aloneCount_; ++i) output[firstOutput_ + aloneIndex_[i]] = aloneValue_[i];
}

void WindowTile::StoreSliding(CentreKernel kernel, const double* centreColumn, const SampleScales& scales,
                              float* output) {
    PadUnread();
    kernel({.source = samples_, .weights = centreColumn, .taps = taps_, .count = count_,
            .inputScale = scales.inputScale, .inputOffset = scales.inputOffset, .outputOffset = scales.outputOffset,
            .outputScale = scales.outputScale, .output = output + firstOutput_});
    StoreSummedAlone(output);
}

void WindowTile::StoreFixed(EdgeKernel kernel, const double* firstColumn, int32_t stride, const SampleScales& scales,
                            float* output) {
    PadUnread();
    kernel({.source = samples_, .weights = firstColumn, .stride = stride, .taps = taps_, .count = count_,
            .inputScale = scales.inputScale, .inputOffset = scales.inputOffset, .outputOffset = scales.outputOffset,
            .outputScale = scales.outputScale, .output = output + firstOutput_});
    StoreSummedAlone(output);
}

}  // namespace sg
