// The settings of one filter stage, as the user gives them on the command line or in a settings
// file. Each reaches the module through its parameter number; the module ignores a value outside
// its range without a word, so every value is checked here first, against the same ranges.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "module/settings/FunctionInstance.h"

namespace sgf {

struct NumericSetting {
    std::string_view name;  // as on the command line and in settings files
    uint16_t parameter;
    int low;
    int high;
    bool oddOnly;
};

inline constexpr NumericSetting kDerivativeSetting{"derivative", sg::kParamDerivativeOrder, 0, 2, false};
inline constexpr NumericSetting kOrderSetting{"order", sg::kParamPolynomialOrder, 2, 6, false};
// The module also takes an even width, but filters with the odd width below it: the window is
// centred on its sample. Refusing it keeps the output what the user asked for.
inline constexpr NumericSetting kWidthSetting{"width", sg::kParamWindowWidth, 5, 201, true};
inline constexpr NumericSetting kRangeIndexSetting{"range-index", sg::kParamRangeIndex, -3, 9, false};

// What is wrong with `value` for `setting`, phrased to follow the setting's name; nothing when
// the value is valid.
std::optional<std::string> settingProblem(const NumericSetting& setting, long long value);

struct FilterSettings {
    std::string channel;  // a channel's name or number; empty: the stage's default source
    bool computed = false;
    // The module's defaults for a new channel.
    int derivative = 0;
    int order = 2;
    int width = 5;
    int rangeIndex = 0;
};

}  // namespace sgf
