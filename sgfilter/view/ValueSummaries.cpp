#include "view/ValueSummaries.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
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

Extremes extremesOf(std::span<const Extremes> parts) {
    Extremes extremes = kNoValues;
    for (const Extremes& part : parts) {
        extremes.least = std::min(extremes.least, part.least);
        extremes.greatest = std::max(extremes.greatest, part.greatest);
    }
    return extremes;
}

// Each of `size` entries of `parts` summarised into one.
std::vector<Extremes> mergedBy(std::span<const Extremes> parts, std::size_t size) {
    std::vector<Extremes> merged;
    for (std::size_t first = 0; first < parts.size(); first += size) {
        merged.push_back(extremesOf(parts.subspan(first, std::min(size, parts.size() - first))));
    }
    return merged;
}

}  // namespace

ValueSummaries::ValueSummaries(const std::filesystem::path& folder, std::size_t blocksPerChannel, int samplesPerBlock)
    : blocksPerChannel_(blocksPerChannel), samplesPerBlock_(samplesPerBlock),
      entriesPerBlock_(stretchesIn(static_cast<std::size_t>(samplesPerBlock), kStretchSizes[0]) +
                       stretchesIn(static_cast<std::size_t>(samplesPerBlock), kStretchSizes[1])),
      file_(refhost::createUnlinkedFile(folder, "sgfilter-view-summaries")) {
    if (file_ < 0) {
        throw std::runtime_error(fmt::format("cannot make a temporary file in {}: {}", folder.string(), std::strerror(errno)));
    }
}

ValueSummaries::~ValueSummaries() { ::close(file_); }

uint64_t ValueSummaries::offsetOf(int16_t channel, std::size_t block, std::size_t size) const {
    const uint64_t entry = ((static_cast<uint64_t>(channel) - 1) * blocksPerChannel_ + block) * entriesPerBlock_ +
                           (size == kStretchSizes[0] ? 0 : stretchesIn(static_cast<std::size_t>(samplesPerBlock_), kStretchSizes[0]));
    return entry * sizeof(Extremes);
}

bool ValueSummaries::has(int16_t channel, std::size_t block) const {
    const auto index = static_cast<std::size_t>(channel - 1);
    return index < summarised_.size() && !summarised_[index].empty() && summarised_[index][block];
}

void ValueSummaries::add(int16_t channel, std::size_t block, std::span<const float> values) {
    const auto index = static_cast<std::size_t>(channel - 1);
    if (values.size() > static_cast<std::size_t>(samplesPerBlock_) || block >= blocksPerChannel_) {
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
    std::vector<Extremes> fine;
    for (std::size_t first = 0; first < values.size(); first += kStretchSizes[0]) {
        fine.push_back(extremesOf(values.subspan(first, std::min(kStretchSizes[0], values.size() - first))));
    }
    const std::vector<Extremes> coarse = mergedBy(fine, kStretchSizes[1] / kStretchSizes[0]);
    for (const auto& [size, level] : {std::pair{kStretchSizes[0], static_cast<const std::vector<Extremes>*>(&fine)}, std::pair{kStretchSizes[1], &coarse}}) {
        if (!refhost::writeAllAt(file_, level->data(), level->size() * sizeof(Extremes),
                                 static_cast<off_t>(offsetOf(channel, block, size)))) {
            throw std::runtime_error(fmt::format("cannot write the trace summaries' temporary file: {}", std::strerror(errno)));
        }
    }
    blocks_[index][block] = extremesOf(coarse);
    summarised_[index][block] = true;
}

Extremes ValueSummaries::ofBlock(int16_t channel, std::size_t block) const {
    return blocks_.at(static_cast<std::size_t>(channel - 1)).at(block);
}

void ValueSummaries::readStretches(int16_t channel, std::size_t block, std::size_t size, std::span<Extremes> stretches) const {
    const std::size_t bytes = stretches.size() * sizeof(Extremes);
    if (refhost::readFullyAt(file_, stretches.data(), bytes, static_cast<off_t>(offsetOf(channel, block, size))) !=
        static_cast<ssize_t>(bytes)) {
        throw std::runtime_error(fmt::format("cannot read the trace summaries' temporary file: {}", std::strerror(errno)));
    }
}

void ValueSummaries::forget(int16_t channel) {
    const auto index = static_cast<std::size_t>(channel - 1);
    if (index >= summarised_.size()) return;
    blocks_[index] = {};
    summarised_[index] = {};
}

}  // namespace sgf
