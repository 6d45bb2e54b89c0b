#include "brainvision/BrainVisionFormat.h"

#include "brainvision/BrainVisionHeader.h"
#include "brainvision/BrainVisionRecording.h"
#include "util/Errors.h"

namespace sgf {

InputFormat brainVisionFormat() {
    return {"BrainVision",
            {".vhdr"},
            &brainvision::isBrainVisionHeader,
            [](const std::filesystem::path& file, const OpenRequest& request) -> std::unique_ptr<InputRecording> {
                // The header names its data and marker files by their place beside it.
                if (file == "-") throw InputError(file, 0, "a BrainVision header cannot be read from standard input: name the .vhdr file");
                return std::make_unique<brainvision::BrainVisionRecording>(file, request.choose);
            }};
}

}  // namespace sgf
