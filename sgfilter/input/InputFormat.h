// One format that recordings are read from: how it is recognised, and how a recording in it is
// opened. Each format's folder makes one of these; the registry chooses among them.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "input/InputRecording.h"

namespace sgf {

// What a command asks of the recording it opens.
struct OpenRequest {
    std::filesystem::path scratch;  // where temporary files go
    ChannelChoice choose;
    // Where a format keeps annotations in files of their own beside the recording, which of them
    // to read (a WFDB annotator: "qrs" reads rec.qrs, which must exist); empty: the format's own
    // choice, where there is one.
    std::string annotations;
};

struct InputFormat {
    std::string name;
    // Lower case, with the dot: ".hea". A file is known by these where no format's content
    // claims it, and a name without extension finds the file with one of them.
    std::vector<std::string> extensions;
    // Whether a file's first bytes (kHeadBytes of them, fewer for a short file) say it is in this
    // format; empty for a format that only its extension tells.
    std::function<bool(std::string_view head)> recognises;
    // Opens `file` ("-": standard input, where the format takes it). Throws InputError for bad
    // input.
    std::function<std::unique_ptr<InputRecording>(const std::filesystem::path& file, const OpenRequest& request)> open;

    static constexpr std::size_t kHeadBytes = 64;
};

}  // namespace sgf
