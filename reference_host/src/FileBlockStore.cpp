#include "refhost/FileBlockStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace refhost {

static_assert(sizeof(off_t) == 8, "the block store needs 64-bit file offsets (_FILE_OFFSET_BITS=64)");

FileBlockStore::FileBlockStore(const std::filesystem::path& folder, int32_t samplesPerChannel)
    : folder_(folder), regionBytes_(static_cast<uint64_t>(samplesPerChannel) * sizeof(float)) {
    if (samplesPerChannel < 1) throw std::invalid_argument("a block store region holds at least one sample");
    const std::string pattern = (folder_ / ".blocks-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor_ < 0) fail("create");
    ::unlink(name.data());
}

FileBlockStore::~FileBlockStore() { ::close(descriptor_); }

uint64_t FileBlockStore::offsetOf(DataKind kind, int16_t channel, int32_t start, std::size_t count) const {
    const uint64_t within = static_cast<uint64_t>(start) * sizeof(float);
    if (channel < 1 || start < 0 || within + count * sizeof(float) > regionBytes_) {
        throw std::out_of_range("samples " + std::to_string(start) + " to " + std::to_string(start + count) +
                                " of channel " + std::to_string(channel) + " lie outside the block store");
    }
    const uint64_t region = (static_cast<uint64_t>(channel) - 1) * 2 + (kind == DataKind::raw ? 0 : 1);
    return region * regionBytes_ + within;
}

void FileBlockStore::save(DataKind kind, int16_t channel, int32_t start, std::span<const float> values) {
    const auto* bytes = reinterpret_cast<const char*>(values.data());
    std::size_t left = values.size_bytes();
    auto offset = static_cast<off_t>(offsetOf(kind, channel, start, values.size()));
    while (left > 0) {
        const ssize_t written = ::pwrite(descriptor_, bytes, left, offset);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) fail("write");
        bytes += written;
        left -= static_cast<std::size_t>(written);
        offset += written;
    }
}

void FileBlockStore::load(DataKind kind, int16_t channel, int32_t start, std::span<float> values) {
    auto* bytes = reinterpret_cast<char*>(values.data());
    std::size_t left = values.size_bytes();
    auto offset = static_cast<off_t>(offsetOf(kind, channel, start, values.size()));
    while (left > 0) {
        const ssize_t count = ::pread(descriptor_, bytes, left, offset);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) fail("read");
        if (count == 0) {
            // Past the end of the file: a region never written reads as a hole would.
            std::memset(bytes, 0, left);
            return;
        }
        bytes += count;
        left -= static_cast<std::size_t>(count);
        offset += count;
    }
}

uint64_t FileBlockStore::fileBytes() const {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) fail("examine");
    return static_cast<uint64_t>(status.st_size);
}

uint64_t FileBlockStore::allocatedBytes() const {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) fail("examine");
    return static_cast<uint64_t>(status.st_blocks) * 512;
}

void FileBlockStore::fail(const char* action) const {
    throw std::runtime_error("cannot " + std::string(action) + " the block store in " + folder_.string() + ": " +
                             std::strerror(errno));
}

}  // namespace refhost
