// Which format an output is written in: known by its name, since it does not exist yet.
#pragma once

#include <filesystem>

namespace sgf {

enum class OutputFormat { csv, edf, bdf };

// ".edf" and ".bdf" (in any case) are EDF+ and BDF+; anything else, standard output included, CSV.
OutputFormat outputFormatOf(const std::filesystem::path& file);

}  // namespace sgf
