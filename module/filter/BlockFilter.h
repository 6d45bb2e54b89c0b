// Filtering a span of one block (selector 8): the cursor that pages the source through the
// host's blocks, and one output sample's weighted window sum.
#pragma once

#include <cstdint>

#include "host/HostRecords.h"
#include "settings/FunctionInstance.h"

namespace sg {

// Where one request reads its source: the channel and whether its computed values or raw samples.
// The settings say it, and they stay locked and unchanged for the whole request.
struct SourceChoice {
    int16_t channel;
    bool computed;
    bool ownRaw;  // the channel's own raw samples: the requested block comes with the request
};

// Holds at most one source block at a time. Indices named "relative" count from sample 0 of
// the requested block: negative in earlier blocks, past its length in later ones.
struct WindowCursor {
    SourceChoice source;
    int16_t heldBlock = 0;            // a block is held only while this is above 0
    int16_t requestBlock;
    float** heldData = nullptr;       // the held block's values, or null
    int32_t blockBase;                // absolute index of the requested block's sample 0
    int32_t runFirst;                 // first and last absolute index of the run being filtered
    int32_t runLast;
    DataPosition position{};
    float** ownBlockData;             // the channel's own raw samples of the requested block
    int32_t heldFirst = INT32_MIN;    // relative index of the held block's sample 0
    int32_t heldEnd = INT32_MIN;      // relative index one past its last sample

    // A request that ends by an exception still gives back the block the cursor holds.
    ~WindowCursor();

    // Brings the block that holds relative index k into the cursor, releasing the one it held.
    void MoveCursor(int32_t k);
    // Whether the held block holds the relative indices k..k + taps - 1.
    bool HoldsWindow(int32_t k, int32_t taps) const {
        return heldData != nullptr && k >= heldFirst && k + taps <= heldEnd;
    }
    // Releases the held block, if any, without taking another.
    void Release();

private:
    bool ReadsOwnRawBlock(int16_t block) const;
};

// The output sample at relative index n: the fit over the window centred on n - c, evaluated
// at offset c from that centre (m is the half-width).
float FilterSample(int32_t n, int32_t m, int32_t c, LocalDataType** settings, WindowCursor& cursor);

}  // namespace sg
