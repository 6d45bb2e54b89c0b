#include "brainvision/SampleFile.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "refhost/UnlinkedFile.h"
#include "util/Errors.h"

namespace sgf::brainvision {

namespace {

static_assert(std::endian::native == std::endian::little, "the data files are little-endian, read as they lie");

// What one read takes at most: long enough that the system calls cost nothing beside the decoding.
constexpr std::size_t kStretchBytes = std::size_t{1} << 20;
// The largest magnitude up to which float32 holds every integer.
constexpr double kLargestExactInteger = 16777216.0;

template <class Sample>
double valueAt(const unsigned char* bytes) {
    Sample sample;
    std::memcpy(&sample, bytes, sizeof sample);
    return static_cast<double>(sample);
}

// Calls `use(value, index)` for `count` values `stride` bytes apart, decoded as `type`.
template <class Use>
void decode(SampleType type, const unsigned char* bytes, std::size_t stride, std::size_t count, Use&& use) {
    const auto each = [&]<class Sample>(Sample*) {
        for (std::size_t index = 0; index < count; ++index) use(valueAt<Sample>(bytes + index * stride), index);
    };
    switch (type) {
        case SampleType::int16: each(static_cast<int16_t*>(nullptr)); break;
        case SampleType::uint16: each(static_cast<uint16_t*>(nullptr)); break;
        case SampleType::int32: each(static_cast<int32_t*>(nullptr)); break;
        case SampleType::float32: each(static_cast<float*>(nullptr)); break;
    }
}

}  // namespace

SampleFile::SampleFile(const BrainVisionHeader& header, const std::filesystem::path& headerFile)
    : file_(header.dataFile),
      orientation_(header.orientation),
      type_(header.sampleType),
      bytesPerSample_(bytesPerSample(header.sampleType)),
      channelCount_(header.channels.size()) {
    for (const HeaderChannel& channel : header.channels) labels_.push_back(channel.label);
    descriptor_ = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor_ < 0) {
        throw InputError(file_, 0, fmt::format("the data file that {} names cannot be opened: {}", headerFile.string(), std::strerror(errno)));
    }
    try {
        struct stat status {};
        if (::fstat(descriptor_, &status) != 0) throw InputError(file_, 0, std::string("cannot be read: ") + std::strerror(errno));
        if (!S_ISREG(status.st_mode)) throw InputError(file_, 0, fmt::format("the data file that {} names is not a file", headerFile.string()));
        const auto size = static_cast<uint64_t>(status.st_size);
        const uint64_t rowBytes = static_cast<uint64_t>(channelCount_) * bytesPerSample_;
        const std::string samples = fmt::format("{} channels of {} ({} bytes a sample, as {} gives them)", channelCount_, nameOf(type_),
                                                bytesPerSample_, headerFile.string());
        uint64_t count = 0;
        if (header.dataPoints) {
            count = *header.dataPoints;
            if (count > std::numeric_limits<uint64_t>::max() / rowBytes || size != count * rowBytes) {
                throw InputError(file_, 0, fmt::format("holds {} bytes, but DataPoints={} samples of {} take {}", size, count, samples, count * rowBytes));
            }
        } else {
            if (size % rowBytes != 0) throw InputError(file_, 0, fmt::format("holds {} bytes, not a whole number of samples of {}", size, samples));
            count = size / rowBytes;
        }
        if (count == 0) throw InputError(file_, 0, "holds no samples");
        if (count > std::numeric_limits<std::size_t>::max()) throw InputError(file_, 0, fmt::format("holds {} samples per channel, more than can be numbered", count));
        sampleCount_ = static_cast<std::size_t>(count);
    } catch (...) {
        ::close(descriptor_);
        throw;
    }
}

SampleFile::~SampleFile() { ::close(descriptor_); }

uint64_t SampleFile::offsetOf(std::size_t channel, std::size_t sample) const {
    if (orientation_ == Orientation::vectorized) return (static_cast<uint64_t>(channel) * sampleCount_ + sample) * bytesPerSample_;
    return (static_cast<uint64_t>(sample) * channelCount_ + channel) * bytesPerSample_;
}

std::size_t SampleFile::strideOf() const {
    return orientation_ == Orientation::vectorized ? bytesPerSample_ : bytesPerSample_ * channelCount_;
}

void SampleFile::readBytes(uint64_t offset, std::span<unsigned char> stretch) const {
    const ssize_t read = refhost::readFullyAt(descriptor_, stretch.data(), stretch.size(), static_cast<off_t>(offset));
    if (read != static_cast<ssize_t>(stretch.size())) {
        throw InputError(file_, 0, fmt::format("cannot be read at byte {}: {}", offset, read < 0 ? std::strerror(errno) : "the file is cut short"));
    }
}

void SampleFile::read(std::size_t channel, std::size_t first, std::span<float> values, double scale) const {
    if (channel >= channelCount_ || first > sampleCount_ || values.size() > sampleCount_ - first) {
        throw std::out_of_range("samples past the end of " + file_.string());
    }
    const std::size_t stride = strideOf();
    const std::size_t perStretch = std::max<std::size_t>(1, kStretchBytes / stride);
    std::vector<unsigned char> bytes;
    for (std::size_t done = 0; done < values.size();) {
        const std::size_t count = std::min(perStretch, values.size() - done);
        // From the first sample's bytes to the last's: a multiplexed stretch holds the other channels between.
        bytes.resize((count - 1) * stride + bytesPerSample_);
        readBytes(offsetOf(channel, first + done), bytes);
        float* out = values.data() + done;
        decode(type_, bytes.data(), stride, count, [&](double value, std::size_t index) { out[index] = static_cast<float>(value * scale); });
        done += count;
    }
}

std::vector<double> SampleFile::largestMagnitudes(std::span<const std::size_t> channels) const {
    std::vector<double> largest(channels.size(), 0.0);
    const auto take = [&](std::size_t which, std::size_t firstSample) {
        return [&, which, firstSample](double value, std::size_t index) {
            if (!std::isfinite(value)) {
                throw InputError(file_, 0, fmt::format("sample {} of channel {} ({}) is not a finite number", firstSample + index + 1,
                                                       channels[which] + 1, labels_[channels[which]]));
            }
            if (type_ == SampleType::int32 && std::fabs(value) > kLargestExactInteger) {
                throw InputError(file_, 0, fmt::format("sample {} of channel {} ({}) is {}, beyond the ±2^24 to which float32, "
                                                       "which the host keeps samples in, holds every integer",
                                                       firstSample + index + 1, channels[which] + 1, labels_[channels[which]], value));
            }
            largest[which] = std::max(largest[which], std::fabs(value));
        };
    };
    std::vector<unsigned char> bytes;
    if (orientation_ == Orientation::vectorized) {
        const std::size_t perStretch = kStretchBytes / bytesPerSample_;
        for (std::size_t which = 0; which < channels.size(); ++which) {
            for (std::size_t first = 0; first < sampleCount_; first += perStretch) {
                const std::size_t count = std::min(perStretch, sampleCount_ - first);
                bytes.resize(count * bytesPerSample_);
                readBytes(offsetOf(channels[which], first), bytes);
                decode(type_, bytes.data(), bytesPerSample_, count, take(which, first));
            }
        }
        return largest;
    }
    // Multiplexed: every channel's samples lie in every stretch, so one pass serves them all.
    const std::size_t rowBytes = bytesPerSample_ * channelCount_;
    const std::size_t perStretch = std::max<std::size_t>(1, kStretchBytes / rowBytes);
    for (std::size_t first = 0; first < sampleCount_ && !channels.empty(); first += perStretch) {
        const std::size_t count = std::min(perStretch, sampleCount_ - first);
        bytes.resize(count * rowBytes);
        readBytes(offsetOf(0, first), bytes);
        for (std::size_t which = 0; which < channels.size(); ++which) {
            decode(type_, bytes.data() + channels[which] * bytesPerSample_, rowBytes, count, take(which, first));
        }
    }
    return largest;
}

}  // namespace sgf::brainvision
