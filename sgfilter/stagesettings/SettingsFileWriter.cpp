#include "stagesettings/SettingsFileWriter.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "io/AtomicOutputFile.h"

namespace sgf {

namespace {

bool isNumber(const std::string& text) {
    return !text.empty() && text.size() < 6 && std::ranges::all_of(text, [](char character) {
        return std::isdigit(static_cast<unsigned char>(character));
    });
}

}  // namespace

void writeSettingsFile(const std::filesystem::path& file, const FilterSettings& settings) {
    nlohmann::ordered_json object;
    if (isNumber(settings.channel)) {
        object["channel"] = std::stoi(settings.channel);
    } else if (!settings.channel.empty()) {
        object["channel"] = settings.channel;
    }
    object["computed"] = settings.computed;
    object[std::string(kDerivativeSetting.name)] = settings.derivative;
    object[std::string(kOrderSetting.name)] = settings.order;
    object[std::string(kWidthSetting.name)] = settings.width;
    object[std::string(kRangeIndexSetting.name)] = settings.rangeIndex;

    AtomicOutputFile output(file);
    output.write(object.dump(2) + "\n");
    output.commit();
}

}  // namespace sgf
