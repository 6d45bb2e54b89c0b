// BrainVision recordings made byte by byte for the tests: a header, a marker file and a data file
// written from the values each channel should hold, in either orientation and sample format.
#pragma once

#include <fmt/format.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sgfilter/TempFolder.h"

namespace sgf::testing {

struct BrainVisionChannel {
    std::string line;  // as the header writes it after "Ch<n>=": "Fz,,0.5,µV"
    std::function<double(std::size_t)> value;  // the file's value of sample i (digital, or float32)
};

struct BrainVisionTestFile {
    std::string name = "rec";
    std::string codepage = "UTF-8";
    std::string orientation = "MULTIPLEXED";
    std::string binaryFormat = "INT_16";
    double samplingIntervalUs = 4000;  // 250 Hz
    std::size_t samples = 200;
    bool writeDataPoints = false;
    std::vector<BrainVisionChannel> channels;
    std::vector<std::string> markers;  // "Stimulus,S  1,12,1,0"

    std::string header() const {
        std::string text = "Brain Vision Data Exchange Header File Version 1.0\r\n; made by a test\r\n\r\n[Common Infos]\r\n";
        text += fmt::format("Codepage={}\r\nDataFile={}.eeg\r\nMarkerFile={}.vmrk\r\nDataFormat=BINARY\r\n", codepage, name, name);
        text += fmt::format("DataOrientation={}\r\nNumberOfChannels={}\r\n", orientation, channels.size());
        if (writeDataPoints) text += fmt::format("DataPoints={}\r\n", samples);
        text += fmt::format("SamplingInterval={}\r\n\r\n[Binary Infos]\r\nBinaryFormat={}\r\n\r\n[Channel Infos]\r\n", samplingIntervalUs, binaryFormat);
        for (std::size_t index = 0; index < channels.size(); ++index) text += fmt::format("Ch{}={}\r\n", index + 1, channels[index].line);
        return text;
    }

    std::string markerFile() const {
        std::string text = fmt::format("Brain Vision Data Exchange Marker File, Version 1.0\r\n\r\n[Common Infos]\r\nCodepage={}\r\nDataFile={}.eeg\r\n\r\n[Marker Infos]\r\n", codepage, name);
        for (std::size_t index = 0; index < markers.size(); ++index) text += fmt::format("Mk{}={}\r\n", index + 1, markers[index]);
        return text;
    }

    std::string data() const {
        const bool isFloat = binaryFormat == "IEEE_FLOAT_32";
        const std::size_t size = isFloat || binaryFormat == "INT_32" ? 4 : 2;
        std::string bytes(samples * channels.size() * size, '\0');
        for (std::size_t channel = 0; channel < channels.size(); ++channel) {
            for (std::size_t sample = 0; sample < samples; ++sample) {
                const std::size_t at = orientation == "VECTORIZED" ? channel * samples + sample : sample * channels.size() + channel;
                const double value = channels[channel].value(sample);
                if (isFloat) {
                    const auto single = static_cast<float>(value);
                    std::memcpy(&bytes[at * size], &single, size);
                } else {
                    // Little-endian two's complement, of 16 or 32 bits.
                    const auto word = static_cast<uint32_t>(static_cast<int64_t>(value));
                    for (std::size_t byte = 0; byte < size; ++byte) bytes[at * size + byte] = static_cast<char>((word >> (8 * byte)) & 0xFF);
                }
            }
        }
        return bytes;
    }

    // Writes all three files; answers the header's path.
    std::filesystem::path writeTo(const TempFolder& folder) const {
        folder.write(name + ".eeg", data());
        folder.write(name + ".vmrk", markerFile());
        return folder.write(name + ".vhdr", header());
    }
};

}  // namespace sgf::testing
