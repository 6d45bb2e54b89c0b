#include "stagesettings/ReportedSettings.h"

#include <fmt/format.h>

#include <map>
#include <stdexcept>
#include <tuple>

namespace sgf {

namespace {

constexpr std::size_t kReportedSettings = 6;  // parameters 8193 to 8198

auto fieldsOf(const FilterSettings& settings) {
    return std::tie(settings.channel, settings.computed, settings.derivative, settings.order, settings.width,
                    settings.rangeIndex);
}

}  // namespace

FilterSettings reportedSettings(const std::vector<refhost::ParameterReport>& reports, int16_t channel) {
    std::map<uint16_t, int32_t> values;
    for (const refhost::ParameterReport& report : reports) {
        if (report.channel == channel) values[report.parameter] = report.value;
    }
    if (values.size() != kReportedSettings) {
        throw std::runtime_error(fmt::format("the module reported {} of its {} settings on OK; nothing saved",
                                             values.size(), kReportedSettings));
    }
    FilterSettings settings;
    settings.channel = std::to_string(values[sg::kParamSourceChannel]);
    settings.computed = values[sg::kParamUseComputedSource] != 0;
    for (auto [setting, field] :
         {std::pair{&kDerivativeSetting, &settings.derivative}, std::pair{&kOrderSetting, &settings.order},
          std::pair{&kWidthSetting, &settings.width}, std::pair{&kRangeIndexSetting, &settings.rangeIndex}}) {
        *field = values[setting->parameter];
        if (const auto problem = settingProblem(*setting, *field)) {
            throw std::runtime_error(fmt::format("the module reported {} {}; nothing saved", setting->name, *problem));
        }
    }
    return settings;
}

void requireHeldByChannel(const FilterSettings& reported, const sg::LocalDataType& held) {
    const FilterSettings channel{std::to_string(held.sourceChannel),
                                 held.useComputedSource != 0,
                                 held.derivativeOrder,
                                 held.polynomialOrder,
                                 held.windowWidth,
                                 held.rangeIndex};
    if (fieldsOf(reported) != fieldsOf(channel)) {
        throw std::runtime_error(
            fmt::format("the channel did not take the settings reported on OK ({}); it holds {}; "
                        "nothing saved",
                        describeSettings(reported), describeSettings(channel)));
    }
}

std::string describeSettings(const FilterSettings& settings) {
    static constexpr const char* kKinds[] = {"smoothing", "first derivative", "second derivative"};
    const std::string kind = settings.derivative >= 0 && settings.derivative <= 2
                                 ? kKinds[settings.derivative]
                                 : fmt::format("derivative {}", settings.derivative);
    return fmt::format("{} of channel {}{}, order {}, width {}, range index {}", kind, settings.channel,
                       settings.computed ? " (computed values)" : "", settings.order, settings.width,
                       settings.rangeIndex);
}

}  // namespace sgf
