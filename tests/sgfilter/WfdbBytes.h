// WFDB signal files made byte by byte from digital values, each storage format packed as its
// definition lays it out (independently of the reader's decoding), and the digital value each
// format keeps for a sample that was not recorded.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace sgf::testing {

inline std::int32_t wfdbInvalidOf(int format) {
    switch (format) {
    case 80: return -128;
    case 16: case 61: case 160: return -32768;
    case 212: return -2048;
    case 310: case 311: return -512;
    case 24: return -8388608;
    case 32: return INT32_MIN;
    default: throw std::invalid_argument("format without an invalid value");
    }
}

// `samples`: the file's samples in order, frames interleaved. Format 8 writes each sample's
// difference from the one `frameSamples` before it (the same signal's where each signal has one
// sample per frame), the first ones from `initial`.
inline std::string wfdbBytes(int format, const std::vector<std::int32_t>& samples, std::size_t frameSamples = 1,
                             std::int32_t initial = 0) {
    std::string bytes;
    const auto put = [&](std::uint32_t value, int count) {
        for (int byte = 0; byte < count; ++byte) bytes.push_back(static_cast<char>(value >> (8 * byte) & 0xff));
    };
    const auto at = [&](std::size_t index) { return index < samples.size() ? static_cast<std::uint32_t>(samples[index]) : 0u; };
    switch (format) {
    case 8:
        for (std::size_t n = 0; n < samples.size(); ++n) {
            const std::int32_t before = n < frameSamples ? initial : samples[n - frameSamples];
            const std::int32_t change = samples[n] - before;
            if (change < -128 || change > 127) throw std::invalid_argument("a change format 8 cannot hold");
            bytes.push_back(static_cast<char>(change));
        }
        break;
    case 16: for (const std::int32_t v : samples) put(static_cast<std::uint32_t>(v), 2); break;
    case 61:
        for (const std::int32_t v : samples) {
            bytes.push_back(static_cast<char>(static_cast<std::uint32_t>(v) >> 8 & 0xff));
            bytes.push_back(static_cast<char>(v & 0xff));
        }
        break;
    case 80: for (const std::int32_t v : samples) put(static_cast<std::uint32_t>(v + 128), 1); break;
    case 160: for (const std::int32_t v : samples) put(static_cast<std::uint32_t>(v + 32768), 2); break;
    case 24: for (const std::int32_t v : samples) put(static_cast<std::uint32_t>(v), 3); break;
    case 32: for (const std::int32_t v : samples) put(static_cast<std::uint32_t>(v), 4); break;
    case 212:
        // Two 12-bit samples in three bytes: the first's low byte, both high nibbles (the first's
        // low), the second's low byte. An odd last sample takes two bytes.
        for (std::size_t n = 0; n < samples.size(); n += 2) {
            const std::uint32_t first = at(n) & 0xfff, second = at(n + 1) & 0xfff;
            bytes.push_back(static_cast<char>(first & 0xff));
            bytes.push_back(static_cast<char>((first >> 8) | (second >> 8) << 4));
            if (n + 1 < samples.size()) bytes.push_back(static_cast<char>(second & 0xff));
        }
        break;
    case 310:
        // Three 10-bit samples in two 16-bit words: the first two in bits 1-10 of each word, the
        // third's low five bits in the first word's top five, its high five in the second's.
        for (std::size_t n = 0; n < samples.size(); n += 3) {
            const std::uint32_t a = at(n) & 0x3ff, b = at(n + 1) & 0x3ff, c = at(n + 2) & 0x3ff;
            put(a << 1 | (c & 0x1f) << 11, 2);
            if (n + 1 < samples.size()) put(b << 1 | (c >> 5) << 11, 2);
        }
        break;
    case 311:
        for (std::size_t n = 0; n < samples.size(); n += 3) {
            put((at(n) & 0x3ff) | (at(n + 1) & 0x3ff) << 10 | (at(n + 2) & 0x3ff) << 20, 4);
        }
        break;
    default: throw std::invalid_argument("unknown format");
    }
    return bytes;
}

// A MAT-file (level 4) holding one int16 matrix of `signals` rows, one column per frame (so the
// frames lie one after another), as a record's .mat signal file: its header line names it with
// format 16 and a byte offset of the returned header size.
inline std::string matLevel4Int16(const std::vector<std::int32_t>& samples, std::size_t signals, std::size_t& headerBytes) {
    std::string bytes;
    const auto put32 = [&](std::uint32_t value) {
        for (int byte = 0; byte < 4; ++byte) bytes.push_back(static_cast<char>(value >> (8 * byte) & 0xff));
    };
    const std::string name = "val";
    put32(30);  // little-endian, int16, full matrix
    put32(static_cast<std::uint32_t>(signals));
    put32(static_cast<std::uint32_t>(samples.size() / signals));
    put32(0);
    put32(static_cast<std::uint32_t>(name.size() + 1));
    bytes += name;
    bytes.push_back('\0');
    headerBytes = bytes.size();
    return bytes + wfdbBytes(16, samples);
}

}  // namespace sgf::testing
