#include "util/Errors.h"

#include <fmt/format.h>

namespace sgf {

namespace {

std::string located(const std::filesystem::path& file, std::size_t line, const std::string& message) {
    if (line == 0) return fmt::format("{}: {}", file.string(), message);
    return fmt::format("{}:{}: {}", file.string(), line, message);
}

}  // namespace

InputError::InputError(const std::filesystem::path& file, std::size_t line, const std::string& message)
    : std::runtime_error(located(file, line, message)) {}

}  // namespace sgf
