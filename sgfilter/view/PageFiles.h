// The page of sgfilter view, built into the program: its own files and the chart library, which
// the build takes from the npm registry at the version package-lock.json pins.
#pragma once

#include "view/ViewServer.h"

namespace sgf {

PageFiles pageFiles();

}  // namespace sgf
