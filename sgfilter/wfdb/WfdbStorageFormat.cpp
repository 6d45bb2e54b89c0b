#include "wfdb/WfdbStorageFormat.h"

#include <algorithm>
#include <array>

namespace sgf {

namespace {

int32_t signExtended(uint32_t value, int bits) {
    const uint32_t sign = uint32_t{1} << (bits - 1);
    return static_cast<int32_t>((value & ((sign << 1) - 1)) ^ sign) - static_cast<int32_t>(sign);
}

// A value of `bits` bits, its invalid value mapped.
int32_t validOrInvalid(int32_t value, int bits) {
    return value == -(int32_t{1} << (bits - 1)) ? kWfdbInvalid : value;
}

uint32_t little16(const unsigned char* at) { return at[0] | static_cast<uint32_t>(at[1]) << 8; }

void decode212(const unsigned char* bytes, std::size_t count, int32_t* out) {
    std::size_t sample = 0;
    for (; sample + 1 < count; sample += 2, bytes += 3) {
        out[sample] = validOrInvalid(signExtended(bytes[0] | static_cast<uint32_t>(bytes[1] & 0x0f) << 8, 12), 12);
        out[sample + 1] = validOrInvalid(signExtended(bytes[2] | static_cast<uint32_t>(bytes[1] & 0xf0) << 4, 12), 12);
    }
    if (sample < count) out[sample] = validOrInvalid(signExtended(bytes[0] | static_cast<uint32_t>(bytes[1] & 0x0f) << 8, 12), 12);
}

// Three 10-bit samples in two little-endian words: the first two in bits 1-10 of each, the third's
// low five bits in the first word's top five and its high five in the second's.
void decode310(const unsigned char* bytes, std::size_t count, int32_t* out) {
    for (std::size_t sample = 0; sample < count; sample += 3, bytes += 4) {
        const uint32_t first = little16(bytes), second = little16(bytes + 2);
        out[sample] = validOrInvalid(signExtended(first >> 1, 10), 10);
        if (sample + 1 < count) out[sample + 1] = validOrInvalid(signExtended(second >> 1, 10), 10);
        if (sample + 2 < count) out[sample + 2] = validOrInvalid(signExtended((first >> 11) | (second >> 11) << 5, 10), 10);
    }
}

// Three 10-bit samples in one little-endian 32-bit word, from its low bits.
void decode311(const unsigned char* bytes, std::size_t count, int32_t* out) {
    for (std::size_t sample = 0; sample < count; sample += 3, bytes += 4) {
        const uint32_t word = little16(bytes) | little16(bytes + 2) << 16;
        for (std::size_t part = 0; part < 3 && sample + part < count; ++part) {
            out[sample + part] = validOrInvalid(signExtended(word >> (10 * part), 10), 10);
        }
    }
}

}  // namespace

std::optional<WfdbStorageFormat> wfdbStorageFormat(int code) {
    static constexpr std::array<WfdbStorageFormat, 10> kFormats{{{8, 8, 1, 1, true},
                                                                 {16, 16, 1, 2, false},
                                                                 {61, 16, 1, 2, false},
                                                                 {80, 8, 1, 1, false},
                                                                 {160, 16, 1, 2, false},
                                                                 {212, 12, 2, 3, false},
                                                                 {310, 10, 3, 4, false},
                                                                 {311, 10, 3, 4, false},
                                                                 {24, 24, 1, 3, false},
                                                                 {32, 32, 1, 4, false}}};
    for (const WfdbStorageFormat& format : kFormats) {
        if (format.code == code) return format;
    }
    return std::nullopt;
}

std::uint64_t WfdbStorageFormat::bytesFor(std::uint64_t samples) const {
    const std::uint64_t partial = samples % groupSamples;
    std::uint64_t partialBytes = 0;
    if (partial > 0) partialBytes = code == 212 ? 2 : code == 310 ? 2 * partial : groupBytes;
    return samples / groupSamples * groupBytes + partialBytes;
}

std::uint64_t WfdbStorageFormat::samplesIn(std::uint64_t bytes) const {
    std::uint64_t samples = bytes / groupBytes * groupSamples;
    const std::uint64_t rest = bytes % groupBytes;
    if (code == 212 && rest >= 2) samples += 1;
    if (code == 310) samples += rest / 2;
    return samples;
}

void WfdbStorageFormat::decode(std::span<const unsigned char> bytes, std::span<std::int32_t> out) const {
    // The groups decode whole, so a partial last group reads zeros past the bytes given.
    std::array<unsigned char, 4> tail{};
    const std::size_t count = out.size();
    const std::size_t wholeGroups = std::min<std::size_t>(bytes.size() / groupBytes, (count + groupSamples - 1) / groupSamples);
    const std::size_t wholeSamples = std::min(count, wholeGroups * groupSamples);
    const unsigned char* in = bytes.data();
    int32_t* to = out.data();
    const auto decodeGroups = [&](const unsigned char* from, std::size_t samples, int32_t* into) {
        switch (code) {
        case 16:
            for (std::size_t n = 0; n < samples; ++n) into[n] = validOrInvalid(signExtended(little16(from + 2 * n), 16), 16);
            break;
        case 61:
            for (std::size_t n = 0; n < samples; ++n) {
                into[n] = validOrInvalid(signExtended(static_cast<uint32_t>(from[2 * n]) << 8 | from[2 * n + 1], 16), 16);
            }
            break;
        case 80:
            for (std::size_t n = 0; n < samples; ++n) into[n] = validOrInvalid(static_cast<int32_t>(from[n]) - 128, 8);
            break;
        case 160:
            for (std::size_t n = 0; n < samples; ++n) into[n] = validOrInvalid(static_cast<int32_t>(little16(from + 2 * n)) - 32768, 16);
            break;
        case 212: decode212(from, samples, into); break;
        case 310: decode310(from, samples, into); break;
        case 311: decode311(from, samples, into); break;
        case 24:
            for (std::size_t n = 0; n < samples; ++n) {
                const unsigned char* at = from + 3 * n;
                into[n] = validOrInvalid(signExtended(at[0] | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16, 24), 24);
            }
            break;
        case 32:
            // The format's invalid value is kWfdbInvalid itself.
            for (std::size_t n = 0; n < samples; ++n) {
                into[n] = static_cast<int32_t>(little16(from + 4 * n) | little16(from + 4 * n + 2) << 16);
            }
            break;
        default: break;
        }
    };
    decodeGroups(in, wholeSamples, to);
    if (wholeSamples < count) {
        const std::size_t left = std::min(bytes.size() - wholeGroups * groupBytes, groupBytes);
        std::copy_n(in + wholeGroups * groupBytes, left, tail.begin());
        std::array<int32_t, 3> group{};
        decodeGroups(tail.data(), groupSamples, group.data());
        std::copy_n(group.begin(), count - wholeSamples, to + wholeSamples);
    }
}

}  // namespace sgf
