#include "cli/DialogScript.h"

#include <fmt/format.h>


#include "util/Errors.h"
#include "util/Text.h"

namespace sgf {

namespace {

refhost::DialogStep parseStep(std::string_view step, std::size_t index) {
    const auto fail = [&](const std::string& problem) -> refhost::DialogStep {
        throw UsageError(
            fmt::format("--script: step {} \"{}\" {}; steps are ITEM, ITEM=VALUE or ITEM:TEXT, "
                        "separated by commas",
                        index, step, problem));
    };
    const auto separator = step.find_first_of("=:");
    const auto item = wholeNumber<int16_t>(trimmed(step.substr(0, separator)));
    if (!item || *item < 1) return fail("does not start with an item number");
    if (separator == std::string_view::npos) return {*item, std::nullopt, std::nullopt};
    const std::string_view rest = trimmed(step.substr(separator + 1));
    if (step[separator] == ':') return {*item, std::nullopt, std::string(rest)};
    const auto value = wholeNumber<int16_t>(rest);
    if (!value) return fail("has no whole number after \"=\"");
    return {*item, value, std::nullopt};
}

}  // namespace

std::vector<refhost::DialogStep> parseDialogScript(std::string_view script) {
    std::vector<refhost::DialogStep> steps;
    if (trimmed(script).empty()) return steps;
    for (std::size_t index = 1;; ++index) {
        const auto comma = script.find(',');
        steps.push_back(parseStep(trimmed(script.substr(0, comma)), index));
        if (comma == std::string_view::npos) return steps;
        script.remove_prefix(comma + 1);
    }
}

}  // namespace sgf
