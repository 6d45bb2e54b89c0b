#include "view/FilterCommandLine.h"

#include <algorithm>
#include <string_view>

namespace sgf {

std::string shellWord(const std::string& word) {
    const auto safe = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               std::string_view("_./:=+-").find(c) != std::string_view::npos;
    };
    if (!word.empty() && std::ranges::all_of(word, safe)) return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::vector<std::string> FilterCommandLine::words() const {
    std::vector<std::string> all = head;
    for (std::size_t stage = 0; stage < stages.size(); ++stage) {
        if (stage > 0) all.emplace_back("--then");
        all.insert(all.end(), stages[stage].begin(), stages[stage].end());
    }
    return all;
}

std::string FilterCommandLine::text() const {
    std::string text = "sgfilter";
    for (const std::string& word : head) text.append(" ").append(shellWord(word));
    for (std::size_t stage = 0; stage < stages.size(); ++stage) {
        text += stage == 0 ? " \\\n    " : " \\\n    --then ";
        for (std::size_t word = 0; word < stages[stage].size(); ++word) {
            if (word > 0) text.append(" ");
            text.append(shellWord(stages[stage][word]));
        }
    }
    return text;
}

}  // namespace sgf
