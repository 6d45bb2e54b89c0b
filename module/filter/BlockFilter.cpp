#include "filter/BlockFilter.h"

#include <algorithm>

#include "entry/SavitzkyGolayExtension.h"
#include "filter/CentreKernelChoice.h"
#include "filter/OutputScaling.h"
#include "filter/WeightTable.h"
#include "host/Cleanup.h"
#include "host/HostServices.h"

namespace sg {

namespace {

constexpr int16_t kProgressStateFiltering = 4;
constexpr int16_t kProgressBlockStep = 15;

// Where one request reads its source: the channel and whether its computed values or raw samples.
struct SourceChoice {
    int16_t channel;
    bool computed;
    bool ownRaw;  // the channel's own raw samples: the requested block comes with the request
};

SourceChoice SourceOf(const LocalDataType& settings) {
    const bool computed = settings.useComputedSource != 0;
    return {settings.sourceChannel, computed, !computed && settings.sourceChannel == settings.ownChannel};
}

void FillZeros(float** output, int32_t first, int32_t end) {
    std::fill(*output + first, *output + end, 0.0f);
}

// Stores the source's values unchanged, for a run too short for the window or without a table.
void CopySource(const SourceChoice& source, float** ownBlockData, float** output, int16_t block, int32_t first,
                int32_t end) {
    float** data = source.computed ? GetComputedBlock(source.channel, block)
                   : source.ownRaw ? ownBlockData
                                   : GetRawBlock(source.channel, block);
    if (data != nullptr) std::copy(*data + first, *data + end, *output + first);
    if (source.computed) {
        ReleaseComputedBlock(source.channel, block);
    } else if (!source.ownRaw) {
        ReleaseRawBlock(source.channel, block);
    }
}

// The centre samples left..right. Runs of windows that lie wholly in the held block go to the
// vector kernel, which makes no host call; a window that straddles a block boundary takes the
// general path, which moves the cursor exactly as it would for a single sample.
void FilterCentre(float** output, int32_t left, int32_t right, int32_t m, LocalDataType** settings,
                  WindowCursor& cursor) {
    static_assert(kCentreMaxTaps >= kMaxWindowWidth, "every table's column fits the kernel");
    const LocalDataType& s = **settings;  // locked for the whole request
    const int32_t taps = 2 * m + 1;
    // The centre column, contiguous, copied once per request.
    double column[kCentreMaxTaps];
    for (int32_t row = 0; row < taps; ++row) column[row] = (*s.weights)[row * s.windowWidth + m];
    const CentreKernel kernel = KernelFor(ChosenPath());
    for (int32_t n = left; n <= right;) {
        const int32_t k = n - m;
        if (cursor.heldData != nullptr && k >= cursor.heldFirst && k + taps <= cursor.heldEnd) {
            const int32_t last = std::min(right, cursor.heldEnd - m - 1);
            kernel({.source = *cursor.heldData + (k - cursor.heldFirst), .weights = column, .taps = taps,
                    .count = last - n + 1, .inputScale = s.inputScale, .inputOffset = s.inputOffset,
                    .outputOffset = s.outputOffset, .outputScale = s.outputScale, .output = *output + n});
            n = last + 1;
        } else {
            // The output block may move during the sample's host calls.
            const float value = FilterSample(n, m, 0, settings, cursor);
            (*output)[n] = value;
            ++n;
        }
    }
}

// The part of the span [first, end) that lies in the run holding `first`, computed as one request.
// Returns the end of that part.
int32_t ComputeRunPart(float** ownBlockData, float** output, int16_t block, int32_t first, int32_t end,
                       FunctionInstance** instance) {
    LocalDataType** settings = (*instance)->settings;
    LockHandle(reinterpret_cast<Handle>(settings));
    Cleanup unlock([settings] { UnlockHandle(reinterpret_cast<Handle>(settings)); });
    PrepareScaleFactors(settings, block);
    if ((*settings)->weights == nullptr) BuildWeightTable(settings);

    WindowCursor cursor{
        .instance = instance, .requestBlock = block, .blockBase = 0, .runFirst = 0, .runLast = 0, .ownBlockData = ownBlockData};
    const DataPosition blockStart{block, 0};
    const DataPosition spanStart{block, static_cast<int16_t>(first)};
    cursor.blockBase = PositionToIndex(&blockStart);
    const int32_t e = PositionToIndex(&spanStart);
    GetContiguousRange(e, &cursor.runFirst, &cursor.runLast);
    // A host whose run does not hold the sample it was asked about gets the sample alone as its
    // run, which is copied rather than filtered.
    if (e < cursor.runFirst || e > cursor.runLast) cursor.runFirst = cursor.runLast = e;
    end = std::min(end, cursor.runLast - cursor.blockBase + 1);

    const LocalDataType& s = **settings;
    const int32_t width = s.windowWidth;
    if (s.weights != nullptr && cursor.runLast - cursor.runFirst + 1 >= width) {
        BeginLongOperation();
        Cleanup endLongOperation([] { EndLongOperation(); });
        SetProgressState(kProgressStateFiltering);
        const int32_t m = (width - 1) / 2;
        const int32_t left = e - m >= cursor.runFirst ? first : cursor.runFirst + m - cursor.blockBase;
        const int32_t right =
            cursor.blockBase + (end - 1) + m <= cursor.runLast ? end - 1 : cursor.runLast - m - cursor.blockBase;
        // The output block may move during the host calls a sample makes: it is reached through
        // its handle only after the sample is computed.
        auto store = [output](int32_t n, float value) { (*output)[n] = value; };
        for (int32_t n = first; n < std::min(left, end); ++n) store(n, FilterSample(n, m, n - left, settings, cursor));
        FilterCentre(output, left, right, m, settings, cursor);
        for (int32_t n = std::max(right + 1, first); n < end; ++n)
            store(n, FilterSample(n, m, n - right, settings, cursor));
        cursor.Release();
        endLongOperation.Run();
    } else {
        CopySource(SourceOf(s), ownBlockData, output, block, first, end);
    }
    unlock.Run();
    return end;
}

}  // namespace

bool WindowCursor::ReadsOwnRawBlock(int16_t block) const {
    return SourceOf(**(*instance)->settings).ownRaw && block == requestBlock;
}

WindowCursor::~WindowCursor() {
    try {
        Release();
    } catch (...) {
        // The host failed to take the block back; the exception that unwinds is already on its way.
    }
}

void WindowCursor::Release() {
    heldData = nullptr;
    if (heldBlock > 0) {
        // Forgotten before the host is asked, so that a release that throws is not tried again.
        const int16_t releasing = heldBlock;
        heldBlock = 0;
        const SourceChoice source = SourceOf(**(*instance)->settings);
        if (source.computed) {
            ReleaseComputedBlock(source.channel, releasing);
        } else if (!ReadsOwnRawBlock(releasing)) {
            ReleaseRawBlock(source.channel, releasing);
        }
    }
}

void WindowCursor::MoveCursor(int32_t k) {
    Release();
    const int32_t a = k + blockBase;
    if (a >= runFirst && a <= runLast) {
        IndexToPosition(a, &position);
        // The block counts as held only once the fetch has returned: a fetch that throws holds nothing.
        const int16_t fetching = position.block;
        const SourceChoice source = SourceOf(**(*instance)->settings);
        heldData = source.computed            ? GetComputedBlock(source.channel, fetching)
                   : ReadsOwnRawBlock(fetching) ? ownBlockData
                                                : GetRawBlock(source.channel, fetching);
        heldBlock = fetching;
        heldFirst = k - position.offset;
        heldEnd = heldFirst + GetBlockLength(heldBlock);
        ReportProgress(kProgressBlockStep);
    }
    if (heldData == nullptr) {
        heldBlock = 0;
        heldEnd = INT32_MIN;
    }
}

float FilterSample(int32_t n, int32_t m, int32_t c, LocalDataType** settings, WindowCursor& cursor) {
    const LocalDataType& s = **settings;  // locked for the whole request
    const int32_t width = s.windowWidth;
    const int32_t column = m + c;
    int32_t k = n - m - c;
    const int32_t windowEnd = k + 2 * m + 1;
    double sum = 0.0;
    if (cursor.heldData != nullptr && k >= cursor.heldFirst && windowEnd <= cursor.heldEnd) {
        // The whole window lies in the held block: no host call can come, so the addresses stay put.
        // The sum takes the same terms in the same order as the general loop below.
        const float* x = *cursor.heldData + (k - cursor.heldFirst);
        const double* w = *s.weights + column;
        for (int32_t row = 0; row <= 2 * m; ++row)
            sum = sum + (static_cast<double>(x[row]) * s.inputScale + s.inputOffset) * w[row * width];
        return static_cast<float>((sum - s.outputOffset) * s.outputScale);
    }
    for (int32_t row = 0; k < windowEnd; ++row, ++k) {
        if (k < cursor.heldFirst || k >= cursor.heldEnd || cursor.heldData == nullptr) {
            cursor.MoveCursor(k);
            // A block the host cannot give, or whose position and length disagree, ends the sum.
            if (cursor.heldData == nullptr || k < cursor.heldFirst || k >= cursor.heldEnd) break;
        }
        const double x = (*cursor.heldData)[k - cursor.heldFirst];
        const double w = (*s.weights)[row * width + column];
        sum = sum + (x * s.inputScale + s.inputOffset) * w;
    }
    return static_cast<float>((sum - s.outputOffset) * s.outputScale);
}

void SavitzkyGolayExtension::ComputeSpan(float** ownBlockData, float** output, int16_t, int16_t block, int16_t first,
                                         int16_t end, uint8_t, FunctionInstance** instance) {
    // Whatever span the host asks for, nothing is written outside the block's samples.
    const int32_t spanFirst = std::max<int32_t>(first, 0);
    const int32_t spanEnd = std::min<int32_t>(end, GetBlockLength(block));
    if (spanEnd <= spanFirst) return;
    if (instance == nullptr || (*instance)->settings == nullptr) {
        FillZeros(output, spanFirst, spanEnd);
        return;
    }
    // Each run the span touches is filtered by its own bounds, as a request of its own.
    for (int32_t part = spanFirst; part < spanEnd;)
        part = ComputeRunPart(ownBlockData, output, block, part, spanEnd, instance);
}

}  // namespace sg
