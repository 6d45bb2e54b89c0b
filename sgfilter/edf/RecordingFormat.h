// Which format a recording is in. Inputs are known by their first bytes, whatever their name;
// outputs by their name, since they do not exist yet.
#pragma once

#include <filesystem>

namespace sgf {

enum class RecordingFormat { csv, edf, bdf };

RecordingFormat inputFormatOf(const std::filesystem::path& file);
RecordingFormat outputFormatOf(const std::filesystem::path& file);

}  // namespace sgf
