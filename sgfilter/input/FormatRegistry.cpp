#include "input/FormatRegistry.h"

#include <algorithm>
#include <fstream>
#include <string>

#include "io/StandardInput.h"
#include "util/Errors.h"
#include "util/Text.h"

namespace sgf {

namespace {

std::string headOf(const std::filesystem::path& file) {
    if (file == "-") return std::string(standardInput::head(InputFormat::kHeadBytes));
    std::string head(InputFormat::kHeadBytes, '\0');
    std::ifstream in(file, std::ios::binary);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

}  // namespace

void FormatRegistry::add(InputFormat format) { formats_.push_back(std::move(format)); }

std::filesystem::path FormatRegistry::resolve(const std::filesystem::path& name) const {
    std::error_code error;
    if (name == "-" || std::filesystem::exists(name, error)) return name;
    for (const InputFormat& format : formats_) {
        for (const std::string& extension : format.extensions) {
            std::filesystem::path candidate = name;
            candidate += extension;
            if (std::filesystem::is_regular_file(candidate, error)) return candidate;
        }
    }
    throw InputError(name, 0, "cannot open: No such file or directory");
}

const InputFormat& FormatRegistry::formatOf(const std::filesystem::path& file) const {
    const std::string head = headOf(file);
    for (const InputFormat& format : formats_) {
        if (format.recognises && format.recognises(head)) return format;
    }
    if (file != "-") {
        const std::string extension = lowerCaseExtension(file);
        for (const InputFormat& format : formats_) {
            if (std::ranges::find(format.extensions, extension) != format.extensions.end()) return format;
        }
    }
    return formats_.front();
}

std::unique_ptr<InputRecording> FormatRegistry::open(const std::filesystem::path& name, const OpenRequest& request) const {
    const std::filesystem::path file = resolve(name);
    return formatOf(file).open(file, request);
}

}  // namespace sgf
