// The header row of a recording.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sgf {

struct ColumnHeader {
    std::string name;
    std::string units;
};

// "pressure (mmHg)" gives name "pressure" and units "mmHg"; a header without a parenthesised
// ending has no units. Surrounding spaces and double quotes are dropped.
ColumnHeader parseColumnHeader(std::string_view text);

// The fields of a header line, split at commas.
std::vector<std::string_view> splitHeaderLine(std::string_view line);

}  // namespace sgf
