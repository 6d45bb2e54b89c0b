// Runs the built programs as a user would, and captures what they say.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sgfilter/TempFolder.h"

namespace sgf::testing {

struct ProcessResult {
    int exitCode;
    std::string out;
    std::string err;
};

inline std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char character : text) quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
    return quoted + "'";
}

// Where 32-bit programs cannot run natively, the build records the emulator that runs them.
inline std::string runPrefix() {
    std::string prefix = readText(std::filesystem::path(SG_BUILD_DIR) / "run32");
    while (!prefix.empty() && (prefix.back() == '\n' || prefix.back() == ' ')) prefix.pop_back();
    return prefix.empty() ? prefix : shellQuoted(prefix).append(" ");
}

// `program` is the name of an executable in the build folder; its standard input is `input`.
inline ProcessResult runBuilt(const std::string& program, const std::vector<std::string>& arguments,
                              const TempFolder& folder, const std::filesystem::path& input = "/dev/null") {
    std::string command = runPrefix() + shellQuoted(std::string(SG_BUILD_DIR) + "/" + program);
    for (const std::string& argument : arguments) command.append(" ").append(shellQuoted(argument));
    const auto out = folder / "sgfilter.stdout";
    const auto err = folder / "sgfilter.stderr";
    command.append(" >").append(shellQuoted(out.string())).append(" 2>").append(shellQuoted(err.string()));
    command.append(" <").append(shellQuoted(input.string()));
    const int status = std::system(command.c_str());
    ProcessResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(out), readText(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

inline ProcessResult runSgfilter(const std::vector<std::string>& arguments, const TempFolder& folder,
                                 const std::filesystem::path& input = "/dev/null") {
    return runBuilt("sgfilter", arguments, folder, input);
}

}  // namespace sgf::testing
