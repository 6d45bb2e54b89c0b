// The code pages a BrainVision header or marker file is written in. Recorder writes UTF-8 where
// its header says so and the Windows code page (taken here as Latin-1) before that; everything
// past the reader is UTF-8.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace sgf::brainvision {

enum class Codepage { utf8, latin1 };

// The `Codepage=` value; a file without one is UTF-8 where `text` is valid UTF-8, else Latin-1.
// Throws InputError for a code page this reader does not know.
Codepage codepageOf(std::string_view value, std::string_view text, const std::filesystem::path& file, std::size_t line);

// The text in UTF-8. Throws InputError naming the file and line where UTF-8 text is not valid
// UTF-8, so no label reaches the outputs half decoded.
std::string utf8Of(std::string_view text, Codepage codepage, const std::filesystem::path& file, std::size_t line);

}  // namespace sgf::brainvision
