#include "staging/StagingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

namespace sgf {

namespace {

constexpr std::size_t kBufferedValues = std::size_t{1} << 17;  // 1 MiB

}  // namespace

static_assert(sizeof(off_t) == 8, "staging files grow past 2 GiB: build with _FILE_OFFSET_BITS=64");

StagingFile::StagingFile(const std::filesystem::path& folder) : folder_(folder) {
    const std::string pattern = (folder_ / ".sgfilter-rows-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor_ < 0) fail("create a temporary file");
    ::unlink(name.data());
    buffer_.reserve(kBufferedValues);
}

StagingFile::~StagingFile() { ::close(descriptor_); }

void StagingFile::append(std::span<const double> values) {
    for (;;) {
        const std::size_t room = kBufferedValues - buffer_.size();
        const std::size_t taken = std::min(room, values.size());
        buffer_.insert(buffer_.end(), values.begin(), values.begin() + static_cast<std::ptrdiff_t>(taken));
        values = values.subspan(taken);
        if (values.empty()) return;
        flush();
    }
}

void StagingFile::flush() {
    const auto* bytes = reinterpret_cast<const char*>(buffer_.data());
    std::size_t left = buffer_.size() * sizeof(double);
    auto offset = static_cast<off_t>(written_ * sizeof(double));
    while (left > 0) {
        const ssize_t count = ::pwrite(descriptor_, bytes, left, offset);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) fail("write a temporary file");
        bytes += count;
        left -= static_cast<std::size_t>(count);
        offset += count;
    }
    written_ += buffer_.size();
    buffer_.clear();
}

void StagingFile::read(uint64_t first, std::span<double> values) const {
    if (first + values.size() > written_) throw std::logic_error("read past the end of a staging file");
    auto* bytes = reinterpret_cast<char*>(values.data());
    std::size_t left = values.size_bytes();
    auto offset = static_cast<off_t>(first * sizeof(double));
    while (left > 0) {
        const ssize_t count = ::pread(descriptor_, bytes, left, offset);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) fail("read a temporary file");
        bytes += count;
        left -= static_cast<std::size_t>(count);
        offset += count;
    }
}

void StagingFile::fail(const char* action) const {
    throw std::runtime_error(fmt::format("cannot {} in {}: {}", action, folder_.string(), std::strerror(errno)));
}

}  // namespace sgf
