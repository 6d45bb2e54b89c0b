#include "csv/HeaderParsing.h"

#include "util/Text.h"

namespace sgf {

namespace {

std::string_view unquoted(std::string_view text) {
    text = trimmed(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = trimmed(text.substr(1, text.size() - 2));
    return text;
}

}  // namespace

ColumnHeader parseColumnHeader(std::string_view text) {
    text = unquoted(text);
    const auto open = text.rfind('(');
    if (text.empty() || text.back() != ')' || open == std::string_view::npos) return {std::string(text), {}};
    return {std::string(trimmed(text.substr(0, open))),
            std::string(trimmed(text.substr(open + 1, text.size() - open - 2)))};
}

std::vector<std::string_view> splitHeaderLine(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = line.find(',');
        fields.push_back(line.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        line.remove_prefix(comma + 1);
    }
}

}  // namespace sgf
