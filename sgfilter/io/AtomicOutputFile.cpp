#include "io/AtomicOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>

namespace sgf {

AtomicOutputFile::AtomicOutputFile(std::filesystem::path destination) : destination_(std::move(destination)) {
    if (destination_ == "-") {
        isStream_ = true;
        descriptor_ = STDOUT_FILENO;
        return;
    }
    const std::filesystem::path folder =
        destination_.has_parent_path() ? destination_.parent_path() : std::filesystem::path(".");
    const std::string hiddenName = fmt::format(".{}.partial-XXXXXX", destination_.filename().string());
    const std::string pattern = (folder / hiddenName).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = ::mkstemp(name.data());
    if (descriptor_ < 0) {
        throw std::runtime_error(fmt::format("cannot write {}: cannot create a file in {}: {}", destination_.string(),
                                             folder.string(), std::strerror(errno)));
    }
    temporary_ = name.data();
    // mkstemp makes the file private to its owner; give it the permissions a plain new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor_, 0666 & ~mask);
}

AtomicOutputFile::~AtomicOutputFile() {
    if (isStream_) return;
    if (descriptor_ >= 0) ::close(descriptor_);
    if (!committed_) ::unlink(temporary_.c_str());
}

void AtomicOutputFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            fail("write");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void AtomicOutputFile::commit() {
    if (isStream_) {
        committed_ = true;
        return;
    }
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (::close(descriptor) != 0) fail("close");
    if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) fail("rename into place");
    committed_ = true;
}

void AtomicOutputFile::fail(const char* action) const {
    throw std::runtime_error(
        fmt::format("cannot write {}: {} failed: {}", isStream_ ? std::string("standard output") : destination_.string(),
                    action, std::strerror(errno)));
}

}  // namespace sgf
