#include "wfdb/WfdbSignalFile.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "refhost/UnlinkedFile.h"
#include "util/Errors.h"

namespace sgf {

WfdbSignalFile::WfdbSignalFile(const std::filesystem::path& file, const WfdbStorageFormat& format, std::uint64_t byteOffset,
                               std::span<const int> samplesPerFrame, std::span<const std::int32_t> initialValues)
    : file_(file), format_(format), byteOffset_(byteOffset), frameSamples_(0), signals_(samplesPerFrame.size()) {
    for (std::size_t signal = 0; signal < samplesPerFrame.size(); ++signal) {
        signalAt_.insert(signalAt_.end(), static_cast<std::size_t>(samplesPerFrame[signal]), signal);
    }
    frameSamples_ = signalAt_.size();
    const std::size_t frameSamples = frameSamples_;
    descriptor_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor_ < 0) throw InputError(file, 0, std::string("cannot open the signal file: ") + std::strerror(errno));
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        ::close(descriptor_);
        throw InputError(file, 0, std::string("cannot read the signal file: ") + std::strerror(errno));
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    frames_ = size > byteOffset ? format.samplesIn(size - byteOffset) / frameSamples : 0;
    if (!format.firstDifferences) return;
    std::vector<std::int32_t> running(initialValues.begin(), initialValues.end());
    std::vector<unsigned char> bytes(static_cast<std::size_t>(kCheckpointFrames) * frameSamples);
    for (std::uint64_t frame = 0; frame < frames_; frame += kCheckpointFrames) {
        checkpoints_.insert(checkpoints_.end(), running.begin(), running.end());
        const auto count = static_cast<std::size_t>(std::min(kCheckpointFrames, frames_ - frame) * frameSamples);
        if (refhost::readFullyAt(descriptor_, bytes.data(), count, static_cast<off_t>(byteOffset + frame * frameSamples)) !=
            static_cast<ssize_t>(count)) {
            ::close(descriptor_);
            throw InputError(file, 0, "cannot read the signal file");
        }
        for (std::size_t sample = 0; sample < count; ++sample) running[signalAt_[sample % frameSamples]] += static_cast<signed char>(bytes[sample]);
    }
}

WfdbSignalFile::~WfdbSignalFile() { ::close(descriptor_); }

std::span<const std::int32_t> WfdbSignalFile::frames(std::uint64_t firstFrame, std::size_t count) const {
    const std::size_t samples = count * frameSamples_;
    const bool kept = decodedCount_ > 0 && firstFrame >= decodedFirst_ && firstFrame + count <= decodedFirst_ + decodedCount_;
    if (!kept) {
        // The host pages a channel block after block: the blocks that follow are decoded with this one.
        const std::uint64_t ahead = std::max<std::uint64_t>(1, kDecodeAheadSamples / frameSamples_);
        const auto decoded = static_cast<std::size_t>(std::max<std::uint64_t>(count, std::min(ahead, frames_ - firstFrame)));
        decoded_.resize(decoded * frameSamples_);
        readFrames(firstFrame, decoded, decoded_);
        decodedFirst_ = firstFrame;
        decodedCount_ = decoded;
    }
    return std::span<const std::int32_t>(decoded_).subspan(static_cast<std::size_t>(firstFrame - decodedFirst_) * frameSamples_, samples);
}

void WfdbSignalFile::readFrames(std::uint64_t firstFrame, std::size_t count, std::span<std::int32_t> out) const {
    const std::size_t samples = count * frameSamples_;
    if (firstFrame + count > frames_ || out.size() < samples) {
        throw std::out_of_range(fmt::format("frames past the end of {}", file_.string()));
    }
    const std::uint64_t firstSample = firstFrame * frameSamples_;
    if (format_.firstDifferences) {
        readDifferences(firstFrame, count, out);
        return;
    }
    const std::uint64_t firstGroup = firstSample / format_.groupSamples;
    const std::size_t lead = static_cast<std::size_t>(firstSample - firstGroup * format_.groupSamples);
    const std::uint64_t byteCount = format_.bytesFor(lead + samples);
    bytes_.resize(static_cast<std::size_t>(byteCount));
    const auto offset = static_cast<off_t>(byteOffset_ + firstGroup * format_.groupBytes);
    if (refhost::readFullyAt(descriptor_, bytes_.data(), bytes_.size(), offset) != static_cast<ssize_t>(bytes_.size())) {
        throw InputError(file_, 0, fmt::format("frames {} to {} cannot be read", firstFrame, firstFrame + count - 1));
    }
    if (lead == 0) {
        format_.decode(bytes_, out.first(samples));
        return;
    }
    groupAligned_.resize(lead + samples);
    format_.decode(bytes_, groupAligned_);
    std::copy_n(groupAligned_.begin() + static_cast<std::ptrdiff_t>(lead), samples, out.begin());
}

}  // namespace sgf

namespace sgf {

void WfdbSignalFile::readDifferences(std::uint64_t firstFrame, std::size_t count, std::span<std::int32_t> out) const {
    const std::uint64_t checkpoint = firstFrame / kCheckpointFrames;
    const std::uint64_t from = checkpoint * kCheckpointFrames;
    bytes_.resize(static_cast<std::size_t>((firstFrame + count - from) * frameSamples_));
    if (refhost::readFullyAt(descriptor_, bytes_.data(), bytes_.size(), static_cast<off_t>(byteOffset_ + from * frameSamples_)) !=
        static_cast<ssize_t>(bytes_.size())) {
        throw InputError(file_, 0, fmt::format("frames {} to {} cannot be read", firstFrame, firstFrame + count - 1));
    }
    groupAligned_.assign(checkpoints_.begin() + static_cast<std::ptrdiff_t>(checkpoint * signals_),
                         checkpoints_.begin() + static_cast<std::ptrdiff_t>((checkpoint + 1) * signals_));
    const auto skipped = static_cast<std::size_t>((firstFrame - from) * frameSamples_);
    for (std::size_t sample = 0; sample < bytes_.size(); ++sample) {
        std::int32_t& value = groupAligned_[signalAt_[sample % frameSamples_]];
        value += static_cast<signed char>(bytes_[sample]);
        if (sample >= skipped) out[sample - skipped] = value;
    }
}

}  // namespace sgf
