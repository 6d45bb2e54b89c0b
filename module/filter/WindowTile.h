// Windows that cross a block boundary, for the vector kernels. The cursor pages the source for
// each such window exactly as the plain loop does; the tile keeps the samples each window read,
// so that the kernels can then sum every window at once over one contiguous copy of both blocks'
// edges. A window the host cut short (a block it could not give) or that read a sample other than
// the one the tile already holds for its index (a host whose blocks changed in between) is summed
// on its own, term by term as the plain loop sums it; the kernels' result for it is replaced.
#pragma once

#include <algorithm>
#include <cstdint>

#include "filter/CentreKernel.h"
#include "filter/EdgeKernel.h"
#include "filter/SampleMatch.h"

namespace sg {

class WindowTile {
public:
    static constexpr int32_t kWindows = 256;
    static constexpr int32_t kSamples = kWindows + kCentreMaxTaps - 1;

    // Consecutive outputs from `firstOutput` on, each window `taps` samples long. A sliding tile's
    // windows start one sample apart from relative index `firstStart` on (the centre of a run);
    // the others' all start there (an edge of a run). `match` compares what a window read with
    // what the tile holds.
    WindowTile(int32_t firstOutput, int32_t firstStart, int32_t taps, bool sliding, SampleMatch match);

    int32_t Count() const { return count_; }
    bool HasRoomForAnother() const { return count_ < kWindows; }
    // The next output's window begins: its first sample is at relative index NextStart().
    int32_t NextStart() const { return sliding_ ? firstStart_ + count_ : firstStart_; }
    void BeginWindow() {
        rows_ = 0;
        alone_ = false;
    }
    // The window's next `count` samples, from relative index k on, as the cursor's held block has
    // them at `values`: the part of a window that lies in one block. Inline for the common case, a
    // part that the tile holds already but for one sample at most, and that matches it: a window
    // across a boundary costs little more than its comparison.
    void ReadChunk(int32_t k, const float* values, int32_t count) {
        const int32_t slot = k - firstStart_;
        const int32_t known = std::clamp(filled_ - slot, 0, count);
        if (!alone_ && slot <= filled_ && count - known <= 1 && match_(samples_ + slot, values, known)) {
            if (known < count) samples_[slot + known] = values[known];
            filled_ = std::max(filled_, slot + count);
            rows_ += count;
            return;
        }
        ReadAnyChunk(k, values, count);
    }
    // The window is complete, or cut short where the cursor could not go on. `column` is its
    // weight column at row 0, the next row `stride` doubles on.
    void EndWindow(const double* column, int32_t stride, const SampleScales& scales) {
        if (rows_ == taps_ && !alone_) {
            ++count_;
            return;
        }
        SumAlone(column, stride, scales);
    }
    // Stores every output into `output`, indexed like the outputs. A sliding tile's windows all
    // use `centreColumn` (taps contiguous values); the others use the table's columns side by side,
    // `firstColumn` at row 0 being the first output's.
    void StoreSliding(CentreKernel kernel, const double* centreColumn, const SampleScales& scales, float* output);
    void StoreFixed(EdgeKernel kernel, const double* firstColumn, int32_t stride, const SampleScales& scales,
                    float* output);

private:
    void ReadAnyChunk(int32_t k, const float* values, int32_t count);
    // The window, cut short or not as the tile holds it, summed on its own.
    void SumAlone(const double* column, int32_t stride, const SampleScales& scales);
    void PadUnread();
    void StoreSummedAlone(float* output) const;

    int32_t firstOutput_;
    int32_t firstStart_;
    int32_t taps_;
    bool sliding_;
    SampleMatch match_;
    int32_t count_ = 0;
    int32_t filled_ = 0;     // samples_[0, filled_) hold what the windows read
    int32_t rows_ = 0;       // of the window being read
    bool alone_ = false;     // it read a sample other than the tile's: its rows are in window_
    int32_t aloneCount_ = 0;
    int32_t aloneIndex_[kWindows];
    float aloneValue_[kWindows];
    float window_[kCentreMaxTaps];
    float samples_[kSamples];
};

}  // namespace sg
