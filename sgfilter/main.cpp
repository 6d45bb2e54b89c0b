// sgfilter: filters channels of recordings with the Savitzky-Golay module, the way a
// recording application would, from the command line.
#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <exception>

#include "cli/Commands.h"
#include "util/Errors.h"

int main(int argc, char** argv) {
    CLI::App application{"Filters channels of recordings with the Savitzky-Golay module.", "sgfilter"};
    application.require_subcommand(1);
    sgf::addFilterCommand(application);
    sgf::addInfoCommand(application);
    sgf::addSettingsCommand(application);
    sgf::addViewCommand(application);

    try {
        application.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = application.exit(error);
        return status == 0 ? 0 : sgf::kExitUsage;
    } catch (const sgf::UsageError& error) {
        fmt::print(stderr, "sgfilter: {}\n", error.what());
        return sgf::kExitUsage;
    } catch (const std::exception& error) {
        fmt::print(stderr, "sgfilter: {}\n", error.what());
        return sgf::kExitFailure;
    }
    return 0;
}
