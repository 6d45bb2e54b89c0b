// A BrainVision header or marker file as its lines: the identifying first line, then sections
// ("[Common Infos]") of `Key=Value` lines, with `;` comments and blank lines between. Values keep
// the file's bytes; the readers convert the texts they use from the file's code page.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sgf::brainvision {

// Left out before the first line, which names the kind of file.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct IniEntry {
    std::string key;
    std::string value;
    std::size_t line;  // from 1, for messages
};

class IniText {
public:
    // Reads `file` whole (a leading UTF-8 byte-order mark left out). Throws InputError naming
    // `described` ("header", "marker file") where it cannot be opened.
    static IniText read(const std::filesystem::path& file, std::string_view described);

    const std::filesystem::path& file() const { return file_; }
    const std::string& firstLine() const { return firstLine_; }
    const std::string& text() const { return text_; }
    // The entries of section `name` (matched without regard to case), in file order.
    std::vector<IniEntry> section(std::string_view name) const;
    // The value of `key` in section `name`, where it is given.
    std::optional<IniEntry> entry(std::string_view section, std::string_view key) const;

private:
    struct Section {
        std::string name;
        std::vector<IniEntry> entries;
    };

    std::filesystem::path file_;
    std::string text_;
    std::string firstLine_;
    std::vector<Section> sections_;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace sgf::brainvision
