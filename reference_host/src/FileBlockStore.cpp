#include "refhost/FileBlockStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "refhost/UnlinkedFile.h"

namespace refhost {

FileBlockStore::FileBlockStore(const std::filesystem::path& folder, int32_t samplesPerChannel)
    : folder_(folder), regionBytes_(static_cast<uint64_t>(samplesPerChannel) * sizeof(float)) {
    if (samplesPerChannel < 1) throw std::invalid_argument("a block store region holds at least one sample");
    descriptor_ = createUnlinkedFile(folder_, ".blocks-");
    if (descriptor_ < 0) fail("create");
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
    const auto offset = static_cast<off_t>(offsetOf(kind, channel, start, values.size()));
    if (!writeAllAt(descriptor_, values.data(), values.size_bytes(), offset)) fail("write");
}

void FileBlockStore::load(DataKind kind, int16_t channel, int32_t start, std::span<float> values) {
    const auto offset = static_cast<off_t>(offsetOf(kind, channel, start, values.size()));
    const ssize_t count = readFullyAt(descriptor_, values.data(), values.size_bytes(), offset);
    if (count < 0) fail("read");
    // Past the end of the file: a region never written reads as a hole would.
    const auto read = static_cast<std::size_t>(count);
    std::memset(reinterpret_cast<char*>(values.data()) + read, 0, values.size_bytes() - read);
}

void FileBlockStore::discard(DataKind kind, int16_t channel) {
    const auto offset = static_cast<off_t>(offsetOf(kind, channel, 0, 0));
    if (::fallocate(descriptor_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, offset, static_cast<off_t>(regionBytes_)) != 0 &&
        errno != EOPNOTSUPP) {
        fail("free");
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
