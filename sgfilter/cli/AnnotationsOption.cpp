#include "cli/AnnotationsOption.h"

namespace sgf {

void addAnnotationsOption(CLI::App& command, std::string& annotations) {
    command
        .add_option("--annotations", annotations,
                    "Where the recording's annotations are files of their own beside it, the one to read, by its "
                    "extension: a WFDB record's annotator, such as qrs for rec.qrs (default: atr where it exists)")
        ->type_name("EXT");
}

}  // namespace sgf
