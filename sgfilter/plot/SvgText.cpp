#include "plot/SvgText.h"

#include <cctype>

namespace sgf {

namespace {

bool isLetter(char character) { return std::isalpha(static_cast<unsigned char>(character)) != 0; }

}  // namespace

std::string escapeXml(std::string_view text) {
    std::string escaped;
    for (const char character : text) {
        switch (character) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += character;
        }
    }
    return escaped;
}

std::string unitsMarkup(std::string_view units) {
    std::string markup;
    bool raised = false;
    for (std::size_t index = 0; index < units.size(); ++index) {
        const char character = units[index];
        if (character == '^' && !raised) {
            markup += "<tspan baseline-shift=\"super\" font-size=\"75%\">";
            raised = true;
        } else if (character == '_' && raised) {
            markup += "</tspan>";
            raised = false;
        } else if (character == '.' && index > 0 && index + 1 < units.size() && isLetter(units[index - 1]) &&
                   isLetter(units[index + 1])) {
            markup += "\u00B7";
        } else {
            markup += escapeXml(std::string_view(&units[index], 1));
        }
    }
    if (raised) markup += "</tspan>";
    return markup;
}

}  // namespace sgf
