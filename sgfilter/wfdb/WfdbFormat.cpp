#include "wfdb/WfdbFormat.h"

#include "util/Errors.h"
#include "wfdb/WfdbInputRecording.h"

namespace sgf {

namespace {

// The reference annotations, where the record has them.
constexpr const char* kReferenceAnnotator = "atr";

}  // namespace

InputFormat wfdbFormat() {
    InputFormat format;
    format.name = "WFDB";
    format.extensions = {".hea"};
    format.open = [](const std::filesystem::path& file, const OpenRequest& request) -> std::unique_ptr<InputRecording> {
        // A record is files beside one another: a stream cannot be one.
        if (file == "-") throw InputError(file, 0, "a WFDB record cannot be read from standard input");
        const bool chosen = !request.annotations.empty();
        return std::make_unique<WfdbInputRecording>(file, request.choose, chosen ? request.annotations : kReferenceAnnotator,
                                                    chosen);
    };
    return format;
}

}  // namespace sgf
