#include "edf/RecordingFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <fstream>
#include <string>

namespace sgf {

RecordingFormat inputFormatOf(const std::filesystem::path& file) {
    if (file == "-") return RecordingFormat::csv;
    std::ifstream in(file, std::ios::binary);
    std::array<char, 8> version{};
    if (!in.read(version.data(), version.size())) return RecordingFormat::csv;
    if (std::memcmp(version.data(), "0       ", 8) == 0) return RecordingFormat::edf;
    if (std::memcmp(version.data(), "\xff" "BIOSEMI", 8) == 0) return RecordingFormat::bdf;
    return RecordingFormat::csv;
}

RecordingFormat outputFormatOf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::ranges::transform(extension, extension.begin(), [](unsigned char c) { return std::tolower(c); });
    if (extension == ".edf") return RecordingFormat::edf;
    if (extension == ".bdf") return RecordingFormat::bdf;
    return RecordingFormat::csv;
}

}  // namespace sgf
