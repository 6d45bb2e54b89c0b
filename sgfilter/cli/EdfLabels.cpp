#include "cli/EdfLabels.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <map>

namespace sgf {

namespace {

constexpr std::size_t kLabelWidth = 16;

// The prefix shortened to fit, then the name cut to what is left.
std::string fitted(const std::string& prefix, const std::string& name, const std::string& suffix) {
    const std::size_t room = kLabelWidth - std::min(kLabelWidth, prefix.size() + suffix.size());
    return prefix + name.substr(0, room) + suffix;
}

}  // namespace

std::vector<EdfNaming> edfNamingOf(const std::vector<OutputChannel>& outputs) {
    static constexpr std::array<const char*, 3> kPrefixes{"SG ", "SG d/dt ", "SG d2/dt2 "};
    static constexpr std::array<const char*, 3> kKinds{"smoothing", "first derivative", "second derivative"};
    std::vector<EdfNaming> namings;
    std::vector<std::string> taken;
    std::map<int16_t, std::string> labelOfChannel;
    for (const OutputChannel& output : outputs) {
        std::string prefix, name = output.name;
        if (output.origin) {
            prefix = kPrefixes.at(static_cast<std::size_t>(output.origin->settings.derivative));
            name = output.origin->recordedName;
        }
        std::string label = fitted(prefix, name, "");
        // Two outputs of one source with one derivative are numbered from the second on.
        for (int number = 2; std::ranges::find(taken, label) != taken.end(); ++number) {
            label = fitted(prefix, name, fmt::format(" {}", number));
        }
        taken.push_back(label);
        labelOfChannel[output.values.channel] = label;
        std::string prefiltering;
        if (output.origin) {
            const FilterSettings& settings = output.origin->settings;
            const auto source = labelOfChannel.find(output.origin->sourceChannel);
            prefiltering = fmt::format("Savitzky-Golay {}, order {}, width {}, of {}",
                                       kKinds.at(static_cast<std::size_t>(settings.derivative)), settings.order,
                                       settings.width, source != labelOfChannel.end() ? source->second : name);
        }
        namings.push_back({label, prefiltering});
    }
    return namings;
}

}  // namespace sgf
