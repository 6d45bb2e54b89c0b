#include "brainvision/IniText.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "util/Errors.h"
#include "util/Text.h"

namespace sgf::brainvision {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

IniText IniText::read(const std::filesystem::path& file, std::string_view described) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw InputError(file, 0, fmt::format("the {} cannot be opened: {}", described, std::strerror(errno)));
    std::ostringstream whole;
    whole << in.rdbuf();
    if (in.bad()) throw InputError(file, 0, fmt::format("the {} cannot be read", described));

    IniText text;
    text.file_ = file;
    text.text_ = whole.str();
    std::string_view rest = text.text_;
    if (rest.starts_with(kByteOrderMark)) rest.remove_prefix(kByteOrderMark.size());
    Section* current = nullptr;
    for (std::size_t line = 1; !rest.empty() || line == 1; ++line) {
        const std::size_t end = rest.find('\n');
        const std::string_view content = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line == 1) {
            text.firstLine_ = std::string(content);
            continue;
        }
        if (content.empty() || content.front() == ';') continue;
        if (content.front() == '[' && content.back() == ']') {
            current = &text.sections_.emplace_back(Section{std::string(trimmed(content.substr(1, content.size() - 2))), {}});
            continue;
        }
        const std::size_t equals = content.find('=');
        // Free text (a [Comment] section's) has no keys.
        if (current == nullptr || equals == std::string_view::npos) continue;
        current->entries.push_back({std::string(trimmed(content.substr(0, equals))), std::string(trimmed(content.substr(equals + 1))), line});
    }
    return text;
}

std::vector<IniEntry> IniText::section(std::string_view name) const {
    std::vector<IniEntry> entries;
    for (const Section& section : sections_) {
        if (equalsIgnoringCase(section.name, name)) entries.insert(entries.end(), section.entries.begin(), section.entries.end());
    }
    return entries;
}

std::optional<IniEntry> IniText::entry(std::string_view section, std::string_view key) const {
    for (const IniEntry& entry : this->section(section)) {
        if (equalsIgnoringCase(entry.key, key)) return entry;
    }
    return std::nullopt;
}

}  // namespace sgf::brainvision
