// Text for SVG documents: escaping, and the host's units notation made readable.
#pragma once

#include <string>
#include <string_view>

namespace sgf {

std::string escapeXml(std::string_view text);

// The host writes a superscript between "^" and "_" and joins units with ".": "mmHg.ms^-1_"
// is shown as mmHg·ms with a raised -1.
std::string unitsMarkup(std::string_view units);

}  // namespace sgf
