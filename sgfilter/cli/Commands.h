// The subcommands of sgfilter. Each lives in its own file and adds itself to the application:
// it declares its options and sets the callback that runs it. A new subcommand is a new file
// and one line in main().
#pragma once

#include <CLI/CLI.hpp>

namespace sgf {

void addFilterCommand(CLI::App& application);
void addInfoCommand(CLI::App& application);
void addSettingsCommand(CLI::App& application);
void addViewCommand(CLI::App& application);

}  // namespace sgf
