// The failures sgfilter reports to the user. Each carries the whole message the user sees, so the
// code that detects a problem decides how it is described, and main() only prints and exits.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace sgf {

// Exit codes: 0 success, 1 a failure (bad input, unwritable output, module trouble), 2 a command
// line that cannot be run as written.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A problem in a file the user gave us, located as editors and compilers do: "file:line: message".
// Line 0 means the file as a whole.
class InputError : public std::runtime_error {
public:
    InputError(const std::filesystem::path& file, std::size_t line, const std::string& message);
};

// A command line whose values are each valid but do not fit together or do not fit the recording.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace sgf
