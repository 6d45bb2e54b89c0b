// The edge kernel for AVX2: 4 positions per vector.
#include "filter/EdgeKernelBody.h"

namespace sg {

void FilterEdgeAvx2(const EdgeZone& zone) { FilterEdgeVector<4, 4>(zone); }

}  // namespace sg
