#include "cli/OutputFormat.h"

#include <string>

#include "util/Text.h"

namespace sgf {

OutputFormat outputFormatOf(const std::filesystem::path& file) {
    const std::string extension = lowerCaseExtension(file);
    if (extension == ".edf") return OutputFormat::edf;
    if (extension == ".bdf") return OutputFormat::bdf;
    return OutputFormat::csv;
}

}  // namespace sgf
