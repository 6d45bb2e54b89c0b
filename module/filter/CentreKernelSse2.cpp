// The centre-zone kernel for SSE2: 2 outputs per vector.
#include "filter/CentreKernelBody.h"

namespace sg {

void FilterCentreSse2(const CentreZone& zone) { FilterCentreVector<2, 6>(zone); }

}  // namespace sg
