#include "cli/DialogScript.h"

#include <fmt/format.h>

#include <charconv>

#include "util/Errors.h"

namespace sgf {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<int16_t> shortFrom(std::string_view text) {
    int16_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return number;
}

refhost::DialogStep parseStep(std::string_view step, std::size_t index) {
    const auto fail = [&](const std::string& problem) -> refhost::DialogStep {
        throw UsageError(
            fmt::format("--script: step {} \"{}\" {}; steps are ITEM, ITEM=VALUE or ITEM:TEXT, "
                        "separated by commas",
                        index, step, problem));
    };
    const auto separator = step.find_first_of("=:");
    const auto item = shortFrom(trimmed(step.substr(0, separator)));
    if (!item || *item < 1) return fail("does not start with an item number");
    if (separator == std::string_view::npos) return {*item, std::nullopt, std::nullopt};
    const std::string_view rest = trimmed(step.substr(separator + 1));
    if (step[separator] == ':') return {*item, std::nullopt, std::string(rest)};
    const auto value = shortFrom(rest);
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
