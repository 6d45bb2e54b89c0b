#include "plot/ChannelTrace.h"

namespace sgf {

void ChannelTrace::add(std::span<const double> times, std::span<const float> stored, bool startsRun) {
    if (startsRun) decimator_.startSegment();
    for (std::size_t index = 0; index < times.size(); ++index) {
        decimator_.add(times[index], traced_.conversion.toUnits(stored[index]));
    }
}

PlotTrace ChannelTrace::finish() { return {traced_.label, traced_.units, decimator_.finish()}; }

}  // namespace sgf
