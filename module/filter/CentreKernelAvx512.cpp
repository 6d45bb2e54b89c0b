// The centre-zone kernel for AVX-512: 8 outputs per vector.
#include "filter/CentreKernelBody.h"

namespace sg {

void FilterCentreAvx512(const CentreZone& zone) { FilterCentreVector<8, 6>(zone); }

}  // namespace sg
