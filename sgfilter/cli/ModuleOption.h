// --module, which every subcommand takes: the module file to load.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>

namespace sgf {

// The default is SavitzkyGolay.so beside the sgfilter executable, where the build puts it.
void addModuleOption(CLI::App& command, std::filesystem::path& module);

}  // namespace sgf
