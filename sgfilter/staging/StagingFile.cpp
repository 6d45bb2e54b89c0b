#include "staging/StagingFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fmt/format.h>

#include "refhost/UnlinkedFile.h"

namespace sgf {

namespace {

constexpr std::size_t kBufferedValues = std::size_t{1} << 17;  // 1 MiB

}  // namespace

StagingFile::StagingFile(const std::filesystem::path& folder) : folder_(folder) {
    descriptor_ = refhost::createUnlinkedFile(folder_, ".sgfilter-rows-");
    if (descriptor_ < 0) fail("create a temporary file");
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
    const auto offset = static_cast<off_t>(written_ * sizeof(double));
    if (!refhost::writeAllAt(descriptor_, buffer_.data(), buffer_.size() * sizeof(double), offset)) {
        fail("write a temporary file");
    }
    written_ += buffer_.size();
    buffer_.clear();
}

void StagingFile::read(uint64_t first, std::span<double> values) const {
    if (first + values.size() > written_) throw std::logic_error("read past the end of a staging file");
    const auto offset = static_cast<off_t>(first * sizeof(double));
    const ssize_t count = refhost::readFullyAt(descriptor_, values.data(), values.size_bytes(), offset);
    if (count != static_cast<ssize_t>(values.size_bytes())) fail("read a temporary file");
}

void StagingFile::fail(const char* action) const {
    throw std::runtime_error(fmt::format("cannot {} in {}: {}", action, folder_.string(), std::strerror(errno)));
}

}  // namespace sgf
