// The public WFDB records shared beside the project (../shared/recordings/wfdb), what their
// headers say, and their samples decoded here from the storage formats' definitions alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "sgfilter/TempFolder.h"

namespace sgf::testing {

inline std::filesystem::path sharedWfdbFolder() {
    return std::filesystem::path(SG_SOURCE_DIR) / ".." / "shared" / "recordings" / "wfdb";
}

#define SKIP_WITHOUT_SHARED_WFDB()                                                                                     \
    if (!std::filesystem::is_directory(sharedWfdbFolder()))                                                            \
    GTEST_SKIP() << "the shared WFDB records are not at " << sharedWfdbFolder().string()

// A record's samples as its header defines them: each segment's .dat file, frames interleaved.
struct SharedWfdbRecord {
    std::string header;  // relative to the shared folder
    int format;          // 212 or 16
    std::size_t signals;
    double frameRate;
    std::vector<std::string> dataFiles;  // one per segment
    double gain;
    int adcZero;
    // Per segment, per signal: the header's first values and checksums, which check the decoding.
    std::vector<std::vector<int>> initialValues, checksums;
};

inline std::vector<SharedWfdbRecord> sharedWfdbRecords() {
    return {{"100s.hea", 212, 2, 360, {"100s.dat"}, 200, 1024, {{995, 1011}}, {{21537, -3962}}},
            {"100x.hea", 212, 2, 120, {"100x.dat"}, 200, 1024, {{995, 1011}}, {{6856, 18917}}},
            {"test.hea", 16, 12, 500, {"test.dat"}, 200, 0,
             {{-12, 8, 20, 2, 14, -16, -4, -20, -12, -12, -4, -8}},
             {{-23649, 8963, 32612, 7010, 21307, -28202, 19544, 18227, 17044, 14214, 16182, 15059}}},
            {"multi-segment/wfd.hea", 212, 2, 360, {"multi-segment/wfd00001.dat", "multi-segment/wfd00002.dat"}, 200, 1024,
             {{995, 1011}, {947, 968}}, {{-19879, -19083}, {-24120, 15121}}}};
}

// Format 212: two 12-bit two's complement samples per three bytes, the middle byte's low nibble the
// first's high bits. Format 16: 16-bit little-endian two's complement.
inline std::vector<int> decodeSharedFile(const std::filesystem::path& file, int format) {
    const std::string bytes = readText(file);
    std::vector<int> samples;
    const auto byte = [&](std::size_t at) { return static_cast<int>(static_cast<unsigned char>(bytes[at])); };
    if (format == 16) {
        for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) samples.push_back(static_cast<int16_t>(byte(at) | byte(at + 1) << 8));
        return samples;
    }
    for (std::size_t at = 0; at + 2 < bytes.size(); at += 3) {
        const int first = byte(at) | (byte(at + 1) & 0x0f) << 8, second = byte(at + 2) | (byte(at + 1) & 0xf0) << 4;
        samples.push_back(first > 2047 ? first - 4096 : first);
        samples.push_back(second > 2047 ? second - 4096 : second);
    }
    return samples;
}

// Each signal's digital values through all segments, checked against the headers' first values
// and checksums (the sum of a segment's samples as a 16-bit two's complement number).
inline std::vector<std::vector<int>> sharedSignals(const SharedWfdbRecord& record) {
    std::vector<std::vector<int>> signals(record.signals);
    for (std::size_t segment = 0; segment < record.dataFiles.size(); ++segment) {
        const std::vector<int> samples = decodeSharedFile(sharedWfdbFolder() / record.dataFiles[segment], record.format);
        for (std::size_t signal = 0; signal < record.signals; ++signal) {
            int sum = 0;
            for (std::size_t at = signal; at < samples.size(); at += record.signals) {
                signals[signal].push_back(samples[at]);
                sum = static_cast<int16_t>(static_cast<uint16_t>(sum + samples[at]));
            }
            EXPECT_EQ(samples.at(signal), record.initialValues[segment][signal]) << record.header << " signal " << signal;
            EXPECT_EQ(sum, record.checksums[segment][signal]) << record.header << " signal " << signal;
        }
    }
    return signals;
}

}  // namespace sgf::testing
