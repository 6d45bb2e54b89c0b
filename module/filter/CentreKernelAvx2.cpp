// The centre-zone kernel for AVX2: 4 outputs per vector.
#include "filter/CentreKernelBody.h"

namespace sg {

void FilterCentreAvx2(const CentreZone& zone) { FilterCentreVector<4, 6>(zone); }

}  // namespace sg
