#include "cli/ModuleOption.h"

#include <system_error>

namespace sgf {

namespace {

std::filesystem::path moduleBesideExecutable() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path(".") : executable.parent_path()) / "SavitzkyGolay.so";
}

}  // namespace

void addModuleOption(CLI::App& command, std::filesystem::path& module) {
    module = moduleBesideExecutable();
    command.add_option("--module", module, "The module to load")->type_name("FILE")->capture_default_str();
}

}  // namespace sgf
