// The formats recordings are read from, and the choice among them: by content where a format's
// first bytes tell, else by extension, else the fallback format (the first one added). Standard
// input goes by content alone.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "input/InputFormat.h"

namespace sgf {

class FormatRegistry {
public:
    void add(InputFormat format);
    const std::vector<InputFormat>& formats() const { return formats_; }

    // The file a name means: the name itself where it exists, else the name with the first of a
    // format's extensions that exists (a WFDB record named without ".hea"). Throws InputError
    // where neither exists.
    std::filesystem::path resolve(const std::filesystem::path& name) const;
    // The format of an existing file, or of standard input ("-").
    const InputFormat& formatOf(const std::filesystem::path& file) const;
    std::unique_ptr<InputRecording> open(const std::filesystem::path& name, const OpenRequest& request) const;

private:
    std::vector<InputFormat> formats_;
};

}  // namespace sgf
