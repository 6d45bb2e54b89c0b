// Asks the desktop to show a page, where there is a desktop: xdg-open on the path, with a display.
#pragma once

#include <string>

namespace sgf {

// Starts the opener and does not wait for it. False where there is none to start; never throws.
bool openInBrowser(const std::string& address);

}  // namespace sgf
