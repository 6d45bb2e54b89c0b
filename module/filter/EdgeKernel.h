// The one-sided windows at the ends of a run: every output of an edge uses the same window (the
// run's first or last samples) with a weight column of its own, the columns side by side in the
// table. As with the centre kernels, every output takes the same terms in the same order as the
// plain loop, with a separate multiply and add, and nothing here calls the host.
#pragma once

#include <cstdint>

#include "filter/CentreKernel.h"

namespace sg {

struct EdgeZone {
    const float* source;    // the window shared by every output: taps samples
    const double* weights;  // output i weighs row r with weights[r * stride + i]
    int32_t stride;         // doubles from one row of the table to the next
    int32_t taps;           // samples per window, 1..kCentreMaxTaps
    int32_t count;          // output samples, at least 1
    SampleScales scales;
    float* output;          // receives count samples
};

using EdgeKernel = void (*)(const EdgeZone& zone);

// One sum per position, one term after the other: the reference every vector kernel matches.
void FilterEdgePlain(const EdgeZone& zone);
// Several positions at once, one per vector lane, each lane reading its own column of the table;
// each is built for its own instruction set and may run only where the processor has it.
void FilterEdgeSse2(const EdgeZone& zone);
void FilterEdgeAvx2(const EdgeZone& zone);
void FilterEdgeAvx512(const EdgeZone& zone);

}  // namespace sg
