// The WFDB format (PhysioNet records): a record is named by its header, "rec.hea", or by "rec"
// alone (the registry tries the extension); its signal files and annotation file lie beside it.
// Only the extension tells it: a header is plain text that opens with a record name.
#pragma once

#include <string>

#include "input/InputFormat.h"

namespace sgf {

// Reads the reference annotations of "rec.atr" where the file exists, or those of the annotator
// the request names ("qrs" reads "rec.qrs", which must exist).
InputFormat wfdbFormat();

}  // namespace sgf
