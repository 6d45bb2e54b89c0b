#include "sample/EdfSampleFile.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace sgf {

namespace {

constexpr int kAnnotationSamples = 40;

std::string field(const std::string& text, std::size_t width) {
    std::string padded = text.substr(0, width);
    padded.resize(width, ' ');
    return padded;
}

}  // namespace

EdfSampleFile::EdfSampleFile(AtomicOutputFile& file, bool is24Bit, std::vector<EdfSampleSignal> signals,
                             int samplesPerRecord, std::size_t recordCount)
    : writer_(file), is24Bit_(is24Bit), signals_(std::move(signals)), samplesPerRecord_(samplesPerRecord) {
    const std::size_t count = signals_.size() + 1;
    const int digitalMaximum = is24Bit_ ? 8388607 : 32767;
    std::string header = is24Bit_ ? std::string("\xff" "BIOSEMI") : field("0", 8);
    header += field("X X X Synthetic", 80) + field("Startdate 01-JAN-2024 X X make-sample", 80) + "01.01.24" +
              "08.00.00" + field(std::to_string(256 * (count + 1)), 8) + field(is24Bit_ ? "BDF+D" : "EDF+D", 44) +
              field(std::to_string(recordCount), 8) + field("1", 8) + field(std::to_string(count), 4);
    const std::string annotationLabel = is24Bit_ ? "BDF Annotations" : "EDF Annotations";
    const auto each = [&](auto&& ofSignal, const std::string& ofAnnotations, std::size_t width) {
        for (const EdfSampleSignal& signal : signals_) header += field(ofSignal(signal), width);
        header += field(ofAnnotations, width);
    };
    each([](const EdfSampleSignal& s) { return s.label; }, annotationLabel, 16);
    each([](const EdfSampleSignal&) { return std::string(); }, "", 80);
    each([](const EdfSampleSignal& s) { return s.units; }, "", 8);
    each([](const EdfSampleSignal& s) { return fmt::format("{:g}", s.physicalMinimum); }, "-1", 8);
    each([](const EdfSampleSignal& s) { return fmt::format("{:g}", s.physicalMaximum); }, "1", 8);
    each([&](const EdfSampleSignal&) { return std::to_string(-digitalMaximum - 1); }, std::to_string(-digitalMaximum - 1), 8);
    each([&](const EdfSampleSignal&) { return std::to_string(digitalMaximum); }, std::to_string(digitalMaximum), 8);
    each([](const EdfSampleSignal&) { return std::string(); }, "", 80);
    each([&](const EdfSampleSignal&) { return std::to_string(samplesPerRecord_); },
         std::to_string(kAnnotationSamples), 8);
    each([](const EdfSampleSignal&) { return std::string(); }, "", 32);
    writer_.append(header);
}

void EdfSampleFile::writeRecord(int64_t onsetSeconds, std::span<const std::vector<double>> samples) {
    const int bytesPerSample = is24Bit_ ? 3 : 2;
    const double digitalMaximum = is24Bit_ ? 8388607.0 : 32767.0;
    const double digitalMinimum = -digitalMaximum - 1.0;
    std::string bytes;
    for (std::size_t index = 0; index < signals_.size(); ++index) {
        const EdfSampleSignal& signal = signals_[index];
        const double perUnit = (digitalMaximum - digitalMinimum) / (signal.physicalMaximum - signal.physicalMinimum);
        for (const double value : samples[index]) {
            const double digital =
                std::clamp(std::round((value - signal.physicalMinimum) * perUnit + digitalMinimum), digitalMinimum, digitalMaximum);
            const auto word = static_cast<uint32_t>(static_cast<int32_t>(digital));
            for (int byte = 0; byte < bytesPerSample; ++byte) bytes += static_cast<char>((word >> (8 * byte)) & 0xFF);
        }
    }
    std::string annotation = fmt::format("+{}\x14\x14", onsetSeconds);
    annotation.resize(static_cast<std::size_t>(kAnnotationSamples * bytesPerSample), '\0');
    writer_.append(bytes);
    writer_.append(annotation);
}

}  // namespace sgf
