#include "filter/BlockFilter.h"

#include <algorithm>

#include "entry/SavitzkyGolayExtension.h"
#include "filter/CentreKernelChoice.h"
#include "filter/OutputScaling.h"
#include "filter/WeightTable.h"
#include "filter/WindowTile.h"
#include "host/Cleanup.h"
#include "host/HostServices.h"

namespace sg {

namespace {

constexpr int16_t kProgressStateFiltering = 4;
constexpr int16_t kProgressBlockStep = 15;

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

// Outputs first..last of one zone of a run. The window of output n starts at relative index
// WindowStart(n) and is weighed with column n - WindowStart(n) of the table.
struct Zone {
    int32_t first;
    int32_t last;
    bool sliding;   // the centre, whose windows start at n - m; at an edge every window starts at `start`
    int32_t start;  // m for the centre
    int32_t WindowStart(int32_t n) const { return sliding ? n - start : start; }
};

// Filters the zones of one request. Runs of windows that lie wholly in the held block go to a
// kernel, which makes no host call. A window that crosses a block boundary moves the cursor
// exactly as the plain loop's sample does: on the plain path it is that sample; on a vector path
// the samples it reads are gathered into a tile whose windows the kernels then sum together.
class ZoneFilter {
public:
    ZoneFilter(float** output, LocalDataType** settings, WindowCursor& cursor, int32_t m)
        : output_(output), settings_(settings), cursor_(cursor), m_(m), taps_(2 * m + 1), path_(ChosenPath()) {
        static_assert(kCentreMaxTaps >= kMaxWindowWidth, "every table's column fits the kernels");
        const LocalDataType& s = **settings;  // locked for the whole request
        for (int32_t row = 0; row < taps_; ++row) centreColumn_[row] = (*s.weights)[row * s.windowWidth + m];
    }

    void Filter(const Zone& zone) {
        for (int32_t n = zone.first; n <= zone.last;) {
            if (cursor_.HoldsWindow(zone.WindowStart(n), taps_)) {
                const int32_t last = zone.sliding ? std::min(zone.last, cursor_.heldEnd - taps_ + m_) : zone.last;
                FilterInHeldBlock(zone, n, last);
                n = last + 1;
            } else if (path_ == SimdPath::plain) {
                // The output block may move during the sample's host calls.
                const float value = FilterSample(n, m_, n - zone.WindowStart(n) - m_, settings_, cursor_);
                (*output_)[n] = value;
                ++n;
            } else {
                n = GatherAcrossBlocks(zone, n);
            }
        }
    }

private:
    SampleScales Scales() const {
        const LocalDataType& s = **settings_;
        return {s.inputScale, s.inputOffset, s.outputOffset, s.outputScale};
    }

    void FilterInHeldBlock(const Zone& zone, int32_t n, int32_t last) {
        const LocalDataType& s = **settings_;
        const int32_t start = zone.WindowStart(n);
        const float* source = *cursor_.heldData + (start - cursor_.heldFirst);
        if (zone.sliding) {
            KernelFor(path_)({.source = source, .weights = centreColumn_, .taps = taps_, .count = last - n + 1,
                              .scales = Scales(), .output = *output_ + n});
        } else {
            EdgeKernelFor(path_)({.source = source, .weights = *s.weights + (n - start), .stride = s.windowWidth,
                                  .taps = taps_, .count = last - n + 1, .scales = Scales(),
                                  .output = *output_ + n});
        }
    }

    // Windows from output n on, up to the first that the held block holds at its turn or as many
    // as a tile takes. Returns the next output.
    int32_t GatherAcrossBlocks(const Zone& zone, int32_t n) {
        const int32_t first = n;
        const int32_t start = zone.WindowStart(first);
        WindowTile tile(first, start, taps_, zone.sliding, SampleMatchFor(path_));
        do {
            ReadWindow(tile, n);
            ++n;
        } while (n <= zone.last && tile.HasRoomForAnother() && !cursor_.HoldsWindow(zone.WindowStart(n), taps_));
        // No host call from here on: the table and the output stay where they are.
        const LocalDataType& s = **settings_;
        if (zone.sliding) {
            tile.StoreSliding(KernelFor(path_), centreColumn_, Scales(), *output_);
        } else {
            tile.StoreFixed(EdgeKernelFor(path_), *s.weights + (first - start), s.windowWidth, Scales(), *output_);
        }
        return n;
    }

    // Reads the window of output n into the tile, moving the cursor as FilterSample does; the
    // samples between two moves lie in one block and go over at once.
    void ReadWindow(WindowTile& tile, int32_t n) {
        const int32_t start = tile.NextStart();
        const int32_t end = start + taps_;
        tile.BeginWindow();
        for (int32_t k = start; k < end;) {
            if (k < cursor_.heldFirst || k >= cursor_.heldEnd || cursor_.heldData == nullptr) {
                cursor_.MoveCursor(k);
                if (cursor_.heldData == nullptr || k < cursor_.heldFirst || k >= cursor_.heldEnd) break;
            }
            const int32_t chunkEnd = std::min(end, cursor_.heldEnd);
            tile.ReadChunk(k, *cursor_.heldData + (k - cursor_.heldFirst), chunkEnd - k);
            k = chunkEnd;
        }
        const LocalDataType& s = **settings_;
        tile.EndWindow(*s.weights + (n - start), s.windowWidth, Scales());
    }

    float** output_;
    LocalDataType** settings_;
    WindowCursor& cursor_;
    int32_t m_;
    int32_t taps_;
    SimdPath path_;
    double centreColumn_[kCentreMaxTaps];  // contiguous, copied once per request
};

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
        .source = SourceOf(**settings), .requestBlock = block, .blockBase = 0, .runFirst = 0, .runLast = 0, .ownBlockData = ownBlockData};
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
        ZoneFilter zones(output, settings, cursor, m);
        zones.Filter({.first = first, .last = std::min(left, end) - 1, .sliding = false, .start = left - m});
        zones.Filter({.first = left, .last = right, .sliding = true, .start = m});
        zones.Filter({.first = std::max(right + 1, first), .last = end - 1, .sliding = false, .start = right - m});
        cursor.Release();
        endLongOperation.Run();
    } else {
        CopySource(SourceOf(s), ownBlockData, output, block, first, end);
    }
    unlock.Run();
    return end;
}

}  // namespace

bool WindowCursor::ReadsOwnRawBlock(int16_t block) const { return source.ownRaw && block == requestBlock; }

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
    if (cursor.HoldsWindow(k, 2 * m + 1)) {
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
