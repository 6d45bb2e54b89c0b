#include "edf/EdfFormat.h"

#include "edf/EdfReader.h"

namespace sgf {

InputFormat edfFormat() {
    return {"EDF and BDF",
            {".edf", ".bdf"},
            [](std::string_view head) { return head.starts_with("0       ") || head.starts_with("\xff" "BIOSEMI"); },
            [](const std::filesystem::path& file, const OpenRequest& request) {
                auto reader = std::make_unique<EdfReader>(file, request.scratch);
                std::vector<std::size_t> read;
                for (const int channel : request.choose(reader->description())) {
                    read.push_back(static_cast<std::size_t>(channel - 1));
                }
                if (!read.empty()) reader->chooseRates(read);
                return std::unique_ptr<InputRecording>(std::move(reader));
            }};
}

}  // namespace sgf
