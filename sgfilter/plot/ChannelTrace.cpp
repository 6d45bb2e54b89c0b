#include "plot/ChannelTrace.h"

namespace sgf {

void ChannelTrace::add(std::span<const double> times, std::span<const float> stored, bool startsRun) {
    if (startsRun) decimator_.startSegment();
    units_.resize(stored.size());
    for (std::size_t index = 0; index < stored.size(); ++index) units_[index] = traced_.conversion.toUnits(stored[index]);
    decimator_.add(times, units_);
}

PlotTrace ChannelTrace::finish() { return {traced_.label, traced_.units, decimator_.finish()}; }

}  // namespace sgf
