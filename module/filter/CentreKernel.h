// The centre zone of a run: consecutive output samples whose windows all lie in one contiguous
// source (a block, or a tile that holds the edges of two), so they can be computed without the
// cursor. Every kernel below gives the same bits as the plain
// loop: each output takes the same terms in the same order, with a separate multiply and add.
// Nothing here calls the host, so the kernels also build on their own.
#pragma once

#include <cstdint>

namespace sg {

// The widest window a kernel accepts: the widest the weight table is built for.
inline constexpr int32_t kCentreMaxTaps = 201;

// How a source value enters a sum and how a sum is stored, as the settings give them for a request.
struct SampleScales {
    double inputScale;    // a source value x counts as x * inputScale + inputOffset
    double inputOffset;
    double outputOffset;  // a sum y is stored as (y - outputOffset) * outputScale
    double outputScale;
};

struct CentreZone {
    const float* source;    // the first output's window starts here; count + taps - 1 samples are read
    const double* weights;  // the weight column, taps values, contiguous
    int32_t taps;           // samples per window, 1..kCentreMaxTaps
    int32_t count;          // output samples, at least 1
    SampleScales scales;
    float* output;          // receives count samples
};

using CentreKernel = void (*)(const CentreZone& zone);

// One sum per output, one term after the other: the reference every vector kernel matches.
void FilterCentrePlain(const CentreZone& zone);
// Several outputs at once, one per vector lane; each is built for its own instruction set and may
// run only where the processor has it.
void FilterCentreSse2(const CentreZone& zone);
void FilterCentreAvx2(const CentreZone& zone);
void FilterCentreAvx512(const CentreZone& zone);

}  // namespace sg
