// Writes the same samples twice for `make bench-wfdb`: as a WFDB record in storage format 212
// (rec.hea, rec.dat) and as a plain EDF (rec.edf), two signals at 360 Hz for as many hours as
// asked. The WFDB bytes come from the tests' writer, which packs format 212 by its definition.
#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sgfilter/WfdbBytes.h"

namespace {

constexpr int kRate = 360;
constexpr int kSignals = 2;

// ECG-like digital values within format 212's recorded range, never its invalid value.
std::int32_t sampleAt(std::int64_t frame, int signal) {
    const double t = static_cast<double>(frame) / kRate;
    const double beat = std::fmod(t * 1.2, 1.0);
    const double value = 900 * std::exp(-std::pow((beat - 0.3) * 40, 2)) + 150 * std::sin(2 * M_PI * 0.25 * t + signal) +
                         static_cast<double>((frame * 7919 + signal * 104729) % 61) - 30;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, -2047.0, 2047.0)));
}

std::string field(const std::string& text, std::size_t width) {
    std::string padded = text.substr(0, width);
    padded.resize(width, ' ');
    return padded;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fmt::print(stderr, "usage: {} FOLDER HOURS\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const std::int64_t seconds = std::llround(std::atof(argv[2]) * 3600);
    std::filesystem::create_directories(folder);
    const std::int64_t frames = seconds * kRate;
    std::ofstream(folder / "rec.hea") << fmt::format("rec {} {} {}\nrec.dat 212 200 12 0 0 0 0 MLII\nrec.dat 212 200 12 0 0 0 0 V5\n",
                                                     kSignals, kRate, frames);
    std::ofstream edf(folder / "rec.edf", std::ios::binary);
    edf << field("0", 8) << field("X X X X", 80) << field("Startdate X X X X", 80) << "01.01.00" << "00.00.00"
        << field(std::to_string(256 * (kSignals + 1)), 8) << field("", 44) << field(std::to_string(seconds), 8) << field("1", 8)
        << field(std::to_string(kSignals), 4);
    const auto each = [&](const std::string& text, std::size_t width) {
        for (int signal = 0; signal < kSignals; ++signal) edf << field(text, width);
    };
    edf << field("MLII", 16) << field("V5", 16);
    each("", 80);
    each("mV", 8);
    each("-10.24", 8);
    each("10.235", 8);
    each("-2048", 8);
    each("2047", 8);
    each("", 80);
    each(std::to_string(kRate), 8);
    each("", 32);
    std::ofstream dat(folder / "rec.dat", std::ios::binary);
    std::vector<std::int32_t> interleaved(kRate * kSignals);
    std::string record;
    for (std::int64_t second = 0; second < seconds; ++second) {
        record.clear();
        for (int signal = 0; signal < kSignals; ++signal) {
            for (int sample = 0; sample < kRate; ++sample) {
                const std::int32_t value = sampleAt(second * kRate + sample, signal);
                interleaved[static_cast<std::size_t>(sample * kSignals + signal)] = value;
                record.push_back(static_cast<char>(value & 0xff));
                record.push_back(static_cast<char>((value >> 8) & 0xff));
            }
        }
        edf << record;
        dat << sgf::testing::wfdbBytes(212, interleaved);
    }
    return edf && dat ? 0 : 1;
}
