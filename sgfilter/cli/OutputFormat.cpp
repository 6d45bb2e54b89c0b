#include "cli/OutputFormat.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace sgf {

OutputFormat outputFormatOf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::ranges::transform(extension, extension.begin(), [](unsigned char c) { return std::tolower(c); });
    if (extension == ".edf") return OutputFormat::edf;
    if (extension == ".bdf") return OutputFormat::bdf;
    return OutputFormat::csv;
}

}  // namespace sgf
