// The comma-separated fields of a channel or marker line, where a comma within a field is written
// `\1`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sgf::brainvision {

std::vector<std::string> fieldsOf(std::string_view value);

}  // namespace sgf::brainvision
