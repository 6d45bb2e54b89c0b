// The storage formats of WFDB signal files read here: how samples pack into bytes, and the value
// each keeps for a sample that was not recorded. Samples come in groups (two per three bytes in
// format 212, three per four in 310 and 311, one elsewhere), so a stretch is decoded from the
// start of a group.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>

namespace sgf {

// Every format's invalid sample decodes to this, whatever the format keeps for it.
inline constexpr std::int32_t kWfdbInvalid = std::numeric_limits<std::int32_t>::min();

struct WfdbStorageFormat {
    int code;
    int bits;                // of a sample's digital value
    std::size_t groupSamples;
    std::size_t groupBytes;
    bool firstDifferences;  // format 8: each byte is the change from the sample before

    // The bytes that hold `samples` samples from a group's start: a last, partial group takes
    // only the bytes its samples reach.
    std::uint64_t bytesFor(std::uint64_t samples) const;
    // Whole samples that `bytes` bytes from a group's start hold.
    std::uint64_t samplesIn(std::uint64_t bytes) const;
    // Digital values of `out.size()` samples from a group's start (bytes past the end of `bytes`
    // count as zero); the format's invalid value gives kWfdbInvalid. Not for format 8.
    void decode(std::span<const unsigned char> bytes, std::span<std::int32_t> out) const;
    // The largest and least digital value the format writes for a recorded sample.
    std::int64_t largest() const { return (std::int64_t{1} << (bits - 1)) - 1; }
    std::int64_t least() const { return -(std::int64_t{1} << (bits - 1)) + 1; }
};

// Nothing for a format not read here.
std::optional<WfdbStorageFormat> wfdbStorageFormat(int code);

}  // namespace sgf
