// The edge kernel for SSE2: 2 positions per vector.
#include "filter/EdgeKernelBody.h"

namespace sg {

void FilterEdgeSse2(const EdgeZone& zone) { FilterEdgeVector<2, 4>(zone); }

}  // namespace sg
