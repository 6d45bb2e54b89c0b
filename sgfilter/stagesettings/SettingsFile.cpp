#include "stagesettings/SettingsFile.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "util/Errors.h"

namespace sgf {

namespace {

using nlohmann::json;

std::string readWhole(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) throw InputError(file, 0, std::string("cannot open: ") + std::strerror(errno));
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

std::size_t lineAt(const std::string& text, std::size_t offset) {
    offset = std::min(offset, text.size());
    return static_cast<std::size_t>(
               std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n')) +
           1;
}

class SettingsReader {
public:
    SettingsReader(const std::filesystem::path& file, std::string text) : file_(file), text_(std::move(text)) {}

    void apply(FilterSettings& settings) const {
        const json object = parsed();
        for (const auto& [key, value] : object.items()) {
            if (key == "channel") {
                settings.channel = channelOf(value);
            } else if (key == "computed") {
                if (!value.is_boolean()) fail(key, "must be true or false");
                settings.computed = value.get<bool>();
            } else if (key == kDerivativeSetting.name) {
                settings.derivative = numberOf(kDerivativeSetting, value);
            } else if (key == kOrderSetting.name) {
                settings.order = numberOf(kOrderSetting, value);
            } else if (key == kWidthSetting.name) {
                settings.width = numberOf(kWidthSetting, value);
            } else if (key == kRangeIndexSetting.name) {
                settings.rangeIndex = numberOf(kRangeIndexSetting, value);
            } else {
                fail(key,
                     "is not a setting; the settings are channel, computed, derivative, order, width and "
                     "range-index");
            }
        }
    }

private:
    json parsed() const {
        json object;
        try {
            object = json::parse(text_);
        } catch (const json::parse_error& error) {
            // The library's message starts with its own error code, which tells the user nothing.
            std::string message = error.what();
            const auto detail = message.find("] ");
            if (detail != std::string::npos) message.erase(0, detail + 2);
            throw InputError(file_, lineAt(text_, error.byte), "not valid JSON: " + message);
        }
        if (!object.is_object()) throw InputError(file_, 1, "expected a JSON object of settings");
        return object;
    }

    std::string channelOf(const json& value) const {
        if (value.is_string() && !value.get<std::string>().empty()) return value.get<std::string>();
        if (value.is_number_integer()) return std::to_string(value.get<long long>());
        fail("channel", "must be a channel's name or number");
    }

    int numberOf(const NumericSetting& setting, const json& value) const {
        const std::string key(setting.name);
        if (!value.is_number_integer()) fail(key, "must be a whole number");
        const long long number = value.get<long long>();
        if (const auto problem = settingProblem(setting, number)) fail(key, *problem);
        return static_cast<int>(number);
    }

    // Keys carry no position in the parsed value; the key's first appearance in the text is
    // where the user will look.
    [[noreturn]] void fail(const std::string& key, const std::string& problem) const {
        const auto at = text_.find('"' + key + '"');
        throw InputError(file_, at == std::string::npos ? 0 : lineAt(text_, at), key + " " + problem);
    }

    const std::filesystem::path& file_;
    std::string text_;
};

}  // namespace

void applySettingsFile(const std::filesystem::path& file, FilterSettings& settings) {
    SettingsReader(file, readWhole(file)).apply(settings);
}

}  // namespace sgf
