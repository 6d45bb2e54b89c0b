#include "input/UnitsText.h"

namespace sgf {

namespace {

std::string textOf(const uint8_t* lengthPrefixed) {
    return std::string(reinterpret_cast<const char*>(lengthPrefixed + 1), lengthPrefixed[0]);
}

}  // namespace

std::string unitsTextOf(const sg::ChannelScaling& scaling) {
    return textOf(scaling.hasConversion != 0 ? scaling.unitsText : scaling.nativeUnitsText);
}

std::string shortUnits(const std::string& units) {
    std::string text = units;
    while (!text.empty() && text.back() == '_') text.pop_back();
    for (const char* power : {"^-1", "^-2"}) {
        const std::size_t at = text.find(power);
        const std::size_t dot = text.rfind('.', at);
        if (at == std::string::npos || dot == std::string::npos) continue;
        const std::string per = text.substr(dot + 1, at - dot - 1);
        text = text.substr(0, dot) + "/" + per + (power[2] == '2' ? "^2" : "") + text.substr(at + 3);
    }
    return text;
}

}  // namespace sgf
