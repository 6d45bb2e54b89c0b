// --annotations, which the commands that read a recording take: which annotation files beside
// the recording to read, where its format keeps them apart.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace sgf {

void addAnnotationsOption(CLI::App& command, std::string& annotations);

}  // namespace sgf
