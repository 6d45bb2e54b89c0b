#include "csv/CsvScaling.h"

#include "refhost/Scaling.h"

namespace sgf {

sg::ChannelScaling rawScalingFor(const ChannelColumn& column) {
    // An all-zero channel has no largest magnitude; one unit at full scale serves as well as any.
    const double largest = column.largestMagnitude > 0.0 ? column.largestMagnitude : 1.0;
    return refhost::nativeScaling(largest / sg::FullScaleMax, column.units, static_cast<int16_t>(column.decimals));
}

}  // namespace sgf
