// sgfilter info: which module sgfilter would use, and what it says about itself.
#include <fmt/format.h>

#include <memory>

#include "cli/Commands.h"
#include "cli/ModuleOption.h"
#include "module/entry/ParameterBlocks.h"
#include "refhost/ChannelComputation.h"

namespace sgf {

namespace {

void showModuleInfo(const std::filesystem::path& module) {
    refhost::ReferenceHost host(refhost::HostOptions::forBulkFiltering());
    host.loadModule(module);
    const std::string name = refhost::functionName(host);
    const int32_t version = host.callWithoutBlock(sg::kSelectorVersion);
    const int32_t canUnload = host.callWithoutBlock(sg::kSelectorCanUnload);
    fmt::print("{}\n", name);
    fmt::print("  module file:        {}\n", module.string());
    fmt::print("  interface version:  0x{:08X} (selector 1)\n", static_cast<uint32_t>(version));
    fmt::print("  can be unloaded:    {} (selector 2 answers {})\n", canUnload == 1 ? "yes" : "no", canUnload);
}

}  // namespace

void addInfoCommand(CLI::App& application) {
    CLI::App* command = application.add_subcommand("info", "Show the module's name and what it answers about itself");
    auto module = std::make_shared<std::filesystem::path>();
    addModuleOption(*command, *module);
    command->callback([module] { showModuleInfo(*module); });
}

}  // namespace sgf
