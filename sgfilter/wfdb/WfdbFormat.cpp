#include "wfdb/WfdbFormat.h"

#include "util/Errors.h"
#include "wfdb/WfdbInputRecording.h"

namespace sgf {

namespace {

InputFormat wfdbFormatReading(const std::string& annotator, bool annotatorRequired) {
    InputFormat format;
    format.name = "WFDB";
    format.extensions = {".hea"};
    format.open = [annotator, annotatorRequired](const std::filesystem::path& file, const std::filesystem::path&,
                                                 const ChannelChoice& choose) -> std::unique_ptr<InputRecording> {
        // A record is files beside one another: a stream cannot be one.
        if (file == "-") throw InputError(file, 0, "a WFDB record cannot be read from standard input");
        return std::make_unique<WfdbInputRecording>(file, choose, annotator, annotatorRequired);
    };
    return format;
}

}  // namespace

InputFormat wfdbFormat() { return wfdbFormatReading("atr", false); }

InputFormat wfdbFormatWithAnnotator(const std::string& annotator) { return wfdbFormatReading(annotator, true); }

}  // namespace sgf
