// The edge kernel for AVX-512: 8 positions per vector.
#include "filter/EdgeKernelBody.h"

namespace sg {

void FilterEdgeAvx512(const EdgeZone& zone) { FilterEdgeVector<8, 4>(zone); }

}  // namespace sg
