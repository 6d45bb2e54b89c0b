#include "stagesettings/FilterSettings.h"

#include <fmt/format.h>

namespace sgf {

std::optional<std::string> settingProblem(const NumericSetting& setting, long long value) {
    if (value < setting.low || value > setting.high) {
        return fmt::format("must be {}from {} to {}, not {}", setting.oddOnly ? "odd and " : "", setting.low,
                           setting.high, value);
    }
    if (setting.oddOnly && value % 2 == 0) {
        return fmt::format("must be odd (from {} to {}), not {}: the window is centred on its sample", setting.low,
                           setting.high, value);
    }
    return std::nullopt;
}

}  // namespace sgf
