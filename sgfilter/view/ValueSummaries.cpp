#include "view/ValueSummaries.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "refhost/UnlinkedFile.h"

namespace sgf {

namespace {

constexpr Extremes kNoValues{std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};

Extremes extremesOf(std::span<const float> values) {
    Extremes extremes = kNoValues;
    for (const float value : values) {
        // Written so that a NaN changes neither end.
        if (value < extremes.least) extremes.least = value;
        if (value > extremes.greatest) extremes.greatest = value;
    }
    return extremes;
}

}  // namespace

ValueSummaries::ValueSummaries(const std::filesystem::path& folder, std::size_t blocksPerChannel, int samplesPerBlock)
    : blocksPerChannel_(blocksPerChannel), chunksPerBlock_(chunksIn(static_cast<std::size_t>(samplesPerBlock))),
      file_(refhost::createUnlinkedFile(folder, "sgfilter-view-summaries")) {
    if (file_ < 0) {
        throw std::runtime_error(fmt::format("cannot make a temporary file in {}: {}", folder.string(), std::strerror(errno)));
    }
}

ValueSummaries::~ValueSummaries() { ::close(file_); }

uint64_t ValueSummaries::chunkOffset(int16_t channel, std::size_t block) const {
    return ((static_cast<uint64_t>(channel) - 1) * blocksPerChannel_ + block) * chunksPerBlock_ * sizeof(Extremes);
}

bool ValueSummaries::has(int16_t channel, std::size_t block) const {
    const auto index = static_cast<std::size_t>(channel - 1);
    return index < summarised_.size() && !summarised_[index].empty() && summarised_[index][block];
}

void ValueSummaries::add(int16_t channel, std::size_t block, std::span<const float> values) {
    const auto index = static_cast<std::size_t>(channel - 1);
    if (values.size() > chunksPerBlock_ * kChunk || block >= blocksPerChannel_) {
        throw std::logic_error(fmt::format("block {} of {} values is not one of the recording's", block, values.size()));
    }
    if (index >= blocks_.size()) {
        blocks_.resize(index + 1);
        summarised_.resize(index + 1);
    }
    if (blocks_[index].empty()) {
        blocks_[index].assign(blocksPerChannel_, kNoValues);
        summarised_[index].assign(blocksPerChannel_, false);
    }
    std::vector<Extremes> chunks(chunksIn(values.size()));
    Extremes whole = kNoValues;
    for (std::size_t chunk = 0; chunk < chunks.size(); ++chunk) {
        chunks[chunk] = extremesOf(values.subspan(chunk * kChunk, std::min<std::size_t>(kChunk, values.size() - chunk * kChunk)));
        if (chunks[chunk].least < whole.least) whole.least = chunks[chunk].least;
        if (chunks[chunk].greatest > whole.greatest) whole.greatest = chunks[chunk].greatest;
    }
    if (!refhost::writeAllAt(file_, chunks.data(), chunks.size() * sizeof(Extremes), static_cast<off_t>(chunkOffset(channel, block)))) {
        throw std::runtime_error(fmt::format("cannot write the trace summaries' temporary file: {}", std::strerror(errno)));
    }
    blocks_[index][block] = whole;
    summarised_[index][block] = true;
}

Extremes ValueSummaries::ofBlock(int16_t channel, std::size_t block) const {
    return blocks_.at(static_cast<std::size_t>(channel - 1)).at(block);
}

void ValueSummaries::readChunks(int16_t channel, std::size_t block, std::span<Extremes> chunks) const {
    const std::size_t bytes = chunks.size() * sizeof(Extremes);
    if (refhost::readFullyAt(file_, chunks.data(), bytes, static_cast<off_t>(chunkOffset(channel, block))) !=
        static_cast<ssize_t>(bytes)) {
        throw std::runtime_error(fmt::format("cannot read the trace summaries' temporary file: {}", std::strerror(errno)));
    }
}

void ValueSummaries::forget(int16_t channel) {
    const auto index = static_cast<std::size_t>(channel - 1);
    if (index < summarised_.size()) summarised_[index].assign(summarised_[index].size(), false);
}

}  // namespace sgf
