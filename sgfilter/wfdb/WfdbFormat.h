// The WFDB format (PhysioNet records): a record is named by its header, "rec.hea", or by "rec"
// alone (the registry tries the extension); its signal files and annotation file lie beside it.
// Only the extension tells it: a header is plain text that opens with a record name.
#pragma once

#include <string>

#include "input/InputFormat.h"

namespace sgf {

// Reads the reference annotations of "rec.atr" where the file exists.
InputFormat wfdbFormat();
// Reads the annotations of "rec.<annotator>" ("qrs", "ecg"...), which must exist.
InputFormat wfdbFormatWithAnnotator(const std::string& annotator);

}  // namespace sgf
