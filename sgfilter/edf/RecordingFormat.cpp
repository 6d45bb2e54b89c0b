#include "edf/RecordingFormat.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>

#include "io/StandardInput.h"

namespace sgf {

RecordingFormat inputFormatOf(const std::filesystem::path& file) {
    std::string version(8, '\0');
    if (file == "-") {
        version = standardInput::head(version.size());
    } else {
        std::ifstream in(file, std::ios::binary);
        in.read(version.data(), static_cast<std::streamsize>(version.size()));
        version.resize(static_cast<std::size_t>(in.gcount()));
    }
    if (version == "0       ") return RecordingFormat::edf;
    if (version == "\xff" "BIOSEMI") return RecordingFormat::bdf;
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
