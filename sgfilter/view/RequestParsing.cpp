#include "view/RequestParsing.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "util/Errors.h"

namespace sgf {

namespace {

double numberParameter(const httplib::Request& request, const char* name) {
    if (!request.has_param(name)) throw UsageError(fmt::format("{} is missing", name));
    const std::string text = request.get_param_value(name);
    std::size_t used = 0;
    double value = 0.0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size()) throw UsageError(fmt::format("{} must be a number, not \"{}\"", name, text));
    return value;
}

int16_t channelNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > INT16_MAX) {
        throw UsageError(fmt::format("\"{}\" is not a channel number", text));
    }
    return static_cast<int16_t>(value);
}

}  // namespace

nlohmann::json jsonBody(const httplib::Request& request) {
    nlohmann::json body = nlohmann::json::parse(request.body);
    if (!body.is_object()) throw UsageError("the request's body must be a JSON object");
    return body;
}

int64_t wholeNumberField(const nlohmann::json& body, const char* name, int64_t low, int64_t high, const std::string& missing) {
    const auto found = body.find(name);
    if (found == body.end() || !found->is_number_integer()) throw UsageError(missing);
    // Read at full width: a narrower read would wrap 2^32 + 1 round to 1.
    if (found->is_number_unsigned() && found->get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) {
        throw UsageError(fmt::format("{} must be from {} to {}", name, low, high));
    }
    const auto value = found->get<int64_t>();
    if (value < low || value > high) throw UsageError(fmt::format("{} must be from {} to {}", name, low, high));
    return value;
}

int16_t channelField(const nlohmann::json& body, const char* name, const std::string& missing) {
    const auto found = body.find(name);
    if (found == body.end() || !found->is_number_integer()) throw UsageError(missing);
    if (found->is_number_unsigned() ? found->get<uint64_t>() > INT16_MAX
                                    : found->get<int64_t>() < 1 || found->get<int64_t>() > INT16_MAX) {
        throw UsageError(fmt::format("there is no channel {}", found->dump()));
    }
    return static_cast<int16_t>(found->get<int64_t>());
}

FilterSettings settingsOf(const nlohmann::json& body) {
    FilterSettings settings;
    for (const auto& [setting, field] : {std::pair{&kDerivativeSetting, &settings.derivative}, std::pair{&kOrderSetting, &settings.order},
                                         std::pair{&kWidthSetting, &settings.width}, std::pair{&kRangeIndexSetting, &settings.rangeIndex}}) {
        const std::string name(setting->name);
        if (!body.contains(name)) continue;
        const auto& value = body[name];
        if (!value.is_number_integer()) throw UsageError(fmt::format("{} must be a whole number", name));
        const bool tooLarge = value.is_number_unsigned() && value.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX);
        const auto problem = settingProblem(*setting, tooLarge ? INT64_MAX : value.get<int64_t>());
        if (problem) throw UsageError(fmt::format("{} {}", name, *problem));
        *field = value.get<int>();
    }
    return settings;
}

TraceRequest traceRequestOf(const httplib::Request& request) {
    TraceRequest trace{{}, numberParameter(request, "from"), numberParameter(request, "to"), 0};
    const double columns = numberParameter(request, "columns");
    if (columns != std::floor(columns) || columns < 1 || columns > ViewSession::kMostColumns) {
        throw UsageError(fmt::format("columns must be a whole number from 1 to {}", ViewSession::kMostColumns));
    }
    trace.columns = static_cast<int>(columns);
    const std::string list = request.get_param_value("channels");
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const int16_t channel = channelNumber(std::string_view(list).substr(start, comma - start));
        // Each channel once: a trace's size grows with the channels it names.
        if (std::ranges::find(trace.channels, channel) != trace.channels.end()) {
            throw UsageError(fmt::format("channel {} is named twice", channel));
        }
        trace.channels.push_back(channel);
        start = comma + 1;
    }
    return trace;
}

DialogHit dialogHitOf(const nlohmann::json& body) {
    // Out of range, an item or a value is none the dialog has, which the dialog refuses by name.
    const auto clamped = [](int64_t value) { return static_cast<int16_t>(std::clamp<int64_t>(value, -1, INT16_MAX)); };
    DialogHit hit{clamped(wholeNumberField(body, "item", INT64_MIN, INT64_MAX, "give the item's number as \"item\"")), {}, {}};
    if (body.contains("value")) hit.value = clamped(wholeNumberField(body, "value", INT64_MIN, INT64_MAX, "value must be a whole number"));
    if (body.contains("text")) {
        if (!body["text"].is_string()) throw UsageError("text must be a string");
        hit.text = body["text"].get<std::string>();
        if (hit.text->size() > 255) throw UsageError("text holds at most 255 bytes");
    }
    return hit;
}

}  // namespace sgf
