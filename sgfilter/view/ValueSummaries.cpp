#include "view/ValueSummaries.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "refhost/UnlinkedFile.h"

namespace sgf {

namespace {

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
      channels_(INT16_MAX),
      file_(refhost::createUnlinkedFile(folder, "sgfilter-view-summaries")) {
    if (file_ < 0) {
        throw std::runtime_error(fmt::format("cannot make a temporary file in {}: {}", folder.string(), std::strerror(errno)));
    }
}

ValueSummaries::~ValueSummaries() { ::close(file_); }

void ValueSummaries::addChannel(int16_t channel) {
    std::unique_ptr<Channel>& entry = channels_.at(static_cast<std::size_t>(channel - 1));
    if (entry) return;
    entry = std::make_unique<Channel>(Channel{std::vector<Extremes>(blocksPerChannel_, kNoValues),
                                              std::make_unique<std::atomic<uint8_t>[]>(blocksPerChannel_)});
}

ValueSummaries::Channel& ValueSummaries::channelOf(int16_t channel) const {
    const std::unique_ptr<Channel>& entry = channels_.at(static_cast<std::size_t>(channel - 1));
    if (!entry) throw std::logic_error(fmt::format("channel {} has no summaries", channel));
    return *entry;
}

uint64_t ValueSummaries::offsetOf(int16_t channel, std::size_t block, std::size_t size) const {
    const uint64_t entry = ((static_cast<uint64_t>(channel) - 1) * blocksPerChannel_ + block) * entriesPerBlock_ +
                           (size == kStretchSizes[0] ? 0 : stretchesIn(static_cast<std::size_t>(samplesPerBlock_), kStretchSizes[0]));
    return entry * sizeof(Extremes);
}

bool ValueSummaries::has(int16_t channel, std::size_t block) const {
    const std::unique_ptr<Channel>& entry = channels_.at(static_cast<std::size_t>(channel - 1));
    return entry && entry->states[block].load(std::memory_order_acquire) == kSummarised;
}

bool ValueSummaries::claim(int16_t channel, std::size_t block) {
    addChannel(channel);
    uint8_t expected = kNotSummarised;
    return channelOf(channel).states[block].compare_exchange_strong(expected, kClaimed, std::memory_order_acq_rel);
}

void ValueSummaries::release(int16_t channel, std::size_t block) {
    channelOf(channel).states[block].store(kNotSummarised, std::memory_order_release);
}

void ValueSummaries::add(int16_t channel, std::size_t block, std::span<const float> values) {
    if (values.size() > static_cast<std::size_t>(samplesPerBlock_) || block >= blocksPerChannel_) {
        throw std::logic_error(fmt::format("block {} of {} values is not one of the recording's", block, values.size()));
    }
    Channel& summaries = channelOf(channel);
    std::vector<Extremes> fine;
    fine.reserve(stretchesIn(values.size(), kStretchSizes[0]));
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
    summaries.blocks[block] = extremesOf(coarse);
    summaries.states[block].store(kSummarised, std::memory_order_release);
}

Extremes ValueSummaries::ofBlock(int16_t channel, std::size_t block) const { return channelOf(channel).blocks.at(block); }

void ValueSummaries::readStretches(int16_t channel, std::size_t block, std::size_t size, std::span<Extremes> stretches) const {
    const std::size_t bytes = stretches.size() * sizeof(Extremes);
    if (refhost::readFullyAt(file_, stretches.data(), bytes, static_cast<off_t>(offsetOf(channel, block, size))) !=
        static_cast<ssize_t>(bytes)) {
        throw std::runtime_error(fmt::format("cannot read the trace summaries' temporary file: {}", std::strerror(errno)));
    }
}

void ValueSummaries::forget(int16_t channel) {
    // Dropped whole: the summariser never reads a channel that the session alone summarises.
    channels_.at(static_cast<std::size_t>(channel - 1)).reset();
}

}  // namespace sgf
