// An output file that appears complete or not at all: the bytes go to a temporary file in the
// destination's folder (so the final rename stays on one file system and is atomic), and only
// commit() puts it in place. Destroying an uncommitted file removes the temporary, so a failure
// part-way leaves neither a partial file nor a stray temporary. "-" is standard output, a stream
// that a pipeline reads as it comes; it gets the bytes as they are written.
#pragma once

#include <filesystem>
#include <string_view>

namespace sgf {

class AtomicOutputFile {
public:
    // Throws std::runtime_error naming the folder when the temporary cannot be created.
    explicit AtomicOutputFile(std::filesystem::path destination);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    void write(std::string_view bytes);
    // Closes the temporary and renames it over the destination.
    void commit();
    const std::filesystem::path& destination() const { return destination_; }

private:
    [[noreturn]] void fail(const char* action) const;

    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
    bool committed_ = false;
    bool isStream_ = false;
};

}  // namespace sgf
