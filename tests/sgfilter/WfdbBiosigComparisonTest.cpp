// Which WFDB records BioSig reads right: its physical values, set against the samples decoded
// independently from the formats' definitions, for the shared public records and for records made
// byte by byte in each storage format and header case. sgfilter's WFDB reader decodes the samples
// itself where BioSig is wrong; the table here is the evidence, printed, and each verdict is
// checked so a change in BioSig shows.
#include <biosig.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "sgfilter/TempFolder.h"
#include "sgfilter/WfdbBytes.h"
#include "sgfilter/WfdbSharedRecords.h"

namespace sgf::testing {
namespace {

// What BioSig gives: its physical values, one vector per channel; empty where it cannot open.
struct BiosigReading {
    std::string error;
    std::vector<std::vector<double>> channels;
};

BiosigReading readWithBiosig(const std::filesystem::path& header) {
    BiosigReading reading;
    HDRTYPE* hdr = sopen(header.c_str(), "r", constructHDR(0, 0));
    if (serror2(hdr) != 0) {
        const char* message = biosig_get_errormsg(hdr);
        reading.error = message != nullptr ? message : "an error without a message";
    } else {
        const auto channels = static_cast<std::size_t>(biosig_get_number_of_channels(hdr));
        sread(nullptr, 0, biosig_get_number_of_records(hdr), hdr);
        biosig_data_type* data = nullptr;
        std::size_t rows = 0, columns = 0;
        biosig_get_datablock(hdr, &data, &rows, &columns);
        // One column per channel.
        reading.channels.resize(channels);
        for (std::size_t channel = 0; channel < channels && channel < columns; ++channel) {
            reading.channels[channel].assign(data + channel * rows, data + (channel + 1) * rows);
        }
    }
    sclose(hdr);
    destructHDR(hdr);
    return reading;
}

// "right", or what differs first.
std::string verdict(const BiosigReading& reading, const std::vector<std::vector<double>>& expected) {
    if (!reading.error.empty()) return "cannot open: " + reading.error;
    if (reading.channels.size() != expected.size()) return fmt::format("{} channels, not {}", reading.channels.size(), expected.size());
    for (std::size_t channel = 0; channel < expected.size(); ++channel) {
        const std::vector<double>& got = reading.channels[channel];
        if (got.size() < expected[channel].size()) {
            return fmt::format("channel {}: {} samples, not {}", channel + 1, got.size(), expected[channel].size());
        }
        for (std::size_t sample = 0; sample < expected[channel].size(); ++sample) {
            const double want = expected[channel][sample];
            const bool same = std::isnan(want) ? std::isnan(got[sample]) : std::fabs(got[sample] - want) <= 1e-9 * std::max(1.0, std::fabs(want));
            if (!same) return fmt::format("channel {} sample {}: {} for {}", channel + 1, sample, got[sample], want);
        }
        // Samples past the record's end, where the data ends mid-block, would be read as values.
        if (got.size() > expected[channel].size() && !std::isnan(got[expected[channel].size()])) {
            return fmt::format("channel {}: {} samples, not {}", channel + 1, got.size(), expected[channel].size());
        }
    }
    return "right";
}

struct MadeCase {
    std::string name;
    bool biosigRight;  // as BioSig 2.5 reads it
    // Writes the record into the folder and gives its header and physical values.
    std::function<std::filesystem::path(const TempFolder&, std::vector<std::vector<double>>&)> make;
};

// A two-signal record in `format`: values sweeping the format's range, gain 200 and 100, zero 0.
MadeCase formatCase(int format, std::int32_t largest, bool biosigRight) {
    return {fmt::format("format {}", format), biosigRight, [format, largest](const TempFolder& folder, std::vector<std::vector<double>>& expected) {
                std::vector<std::int32_t> samples;
                expected.assign(2, {});
                for (int frame = 0; frame < 30; ++frame) {
                    for (int signal = 0; signal < 2; ++signal) {
                        const auto value = format == 8 ? static_cast<std::int32_t>(3 * frame - 40 + signal)
                                                       : static_cast<std::int32_t>(std::lround((frame / 29.0 * 2 - 1) * largest * (signal ? -1 : 1)));
                        samples.push_back(value);
                        expected[static_cast<std::size_t>(signal)].push_back(value / (signal ? 100.0 : 200.0));
                    }
                }
                folder.write("r.dat", wfdbBytes(format, samples, 2, 0));
                return folder.write("r.hea", fmt::format("r 2 100 30\nr.dat {0} 200 0 0 0 0 0 a\nr.dat {0} 100 0 0 0 0 0 b\n", format));
            }};
}

std::vector<MadeCase> madeCases() {
    std::vector<MadeCase> cases{formatCase(8, 0, false),     formatCase(16, 32767, false), formatCase(61, 32767, false),
                                formatCase(80, 127, false),  formatCase(160, 32767, false), formatCase(212, 2047, false),
                                formatCase(310, 511, false), formatCase(311, 511, false),  formatCase(24, 8388607, false),
                                formatCase(32, 8388607, false)};
    cases.push_back({"skew", false, [](const TempFolder& folder, std::vector<std::vector<double>>& expected) {
                         folder.write("r.dat", wfdbBytes(16, {1, 10, 2, 20, 3, 30, 4, 40}));
                         expected = {{1 / 200.0, 2 / 200.0, 3 / 200.0}, {20 / 200.0, 30 / 200.0, 40 / 200.0}};
                         return folder.write("r.hea", "r 2 100 3\nr.dat 16 200 16 0 0 0 0 a\nr.dat 16:1 200 16 0 0 0 0 b\n");
                     }});
    cases.push_back({"byte offset", false, [](const TempFolder& folder, std::vector<std::vector<double>>& expected) {
                         folder.write("r.dat", "ABCD" + wfdbBytes(16, {1, 10, 2, 20}));
                         expected = {{1 / 200.0, 2 / 200.0}, {10 / 200.0, 20 / 200.0}};
                         return folder.write("r.hea", "r 2 100 2\nr.dat 16+4 200 16 0 0 0 0 a\nr.dat 16+4 200 16 0 0 0 0 b\n");
                     }});
    cases.push_back({"two samples per frame", false, [](const TempFolder& folder, std::vector<std::vector<double>>& expected) {
                         folder.write("r.dat", wfdbBytes(16, {1, 2, 10, 3, 4, 20}));
                         expected = {{1 / 200.0, 2 / 200.0, 3 / 200.0, 4 / 200.0}, {10 / 200.0, 20 / 200.0}};
                         return folder.write("r.hea", "r 2 100 2\nr.dat 16x2 200 16 0 0 0 0 a\nr.dat 16 200 16 0 0 0 0 b\n");
                     }});
    cases.push_back({"gain 0 and a baseline", false, [](const TempFolder& folder, std::vector<std::vector<double>>& expected) {
                         folder.write("r.dat", wfdbBytes(16, {400, 400}));
                         expected = {{400 / 200.0}, {(400 - 100) / 50.0}};
                         return folder.write("r.hea", "r 2 100 1\nr.dat 16 0 16 0 0 0 0 a\nr.dat 16 50(100) 16 0 0 0 0 b\n");
                     }});
    cases.push_back({"two signal files", false, [](const TempFolder& folder, std::vector<std::vector<double>>& expected) {
                         folder.write("a.dat", wfdbBytes(16, {1, 2}));
                         folder.write("b.dat", wfdbBytes(212, {7, 8}));
                         expected = {{1 / 200.0, 2 / 200.0}, {7 / 200.0, 8 / 200.0}};
                         return folder.write("r.hea", "r 2 100 2\na.dat 16 200 16 0 0 0 0 a\nb.dat 212 200 12 0 0 0 0 b\n");
                     }});
    cases.push_back({"an invalid sample (NaN)", true, [](const TempFolder& folder, std::vector<std::vector<double>>& expected) {
                         folder.write("r.dat", wfdbBytes(16, {1, -32768, 3}));
                         expected = {{1 / 200.0, std::nan(""), 3 / 200.0}};
                         return folder.write("r.hea", "r 1 100 3\nr.dat 16 200 16 0 0 0 0 a\n");
                     }});
    cases.push_back({"multi-segment, an empty segment", false, [](const TempFolder& folder, std::vector<std::vector<double>>& expected) {
                         folder.write("s1.dat", wfdbBytes(16, {1, 2}));
                         folder.write("s1.hea", "s1 1 100 2\ns1.dat 16 200 16 0 0 0 0 a\n");
                         folder.write("s2.dat", wfdbBytes(16, {5, 6}));
                         folder.write("s2.hea", "s2 1 100 2\ns2.dat 16 200 16 0 0 0 0 a\n");
                         expected = {{1 / 200.0, 2 / 200.0, std::nan(""), 5 / 200.0, 6 / 200.0}};
                         return folder.write("r.hea", "r/3 1 100 5\ns1 2\n~ 1\ns2 2\n");
                     }});
    return cases;
}

// BioSig ends the process for some formats it does not read, so it reads in a child, which writes
// its verdict to `scratch`.
std::string verdictInChild(const std::filesystem::path& header, const std::vector<std::vector<double>>& expected,
                           const std::filesystem::path& scratch) {
    std::cout.flush();
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string found = verdict(readWithBiosig(header), expected);
        std::ofstream(scratch) << found;
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !std::filesystem::exists(scratch)) {
        return fmt::format("ends the process (status {:#x})", status);
    }
    const std::string found = readText(scratch);
    std::filesystem::remove(scratch);
    return found;
}

TEST(WfdbBiosigComparison, WhatBiosigReadsRightAgainstTheIndependentDecoding) {
    std::string table = "BioSig's reading of WFDB records:\n";
    for (const MadeCase& made : madeCases()) {
        TempFolder folder;
        std::vector<std::vector<double>> expected;
        const auto header = made.make(folder, expected);
        const std::string found = verdictInChild(header, expected, folder / "verdict");
        table += fmt::format("  {:34} {}\n", made.name, found);
        EXPECT_EQ(found == "right", made.biosigRight) << made.name << ": " << found;
    }
    if (std::filesystem::is_directory(sharedWfdbFolder())) {
        for (const SharedWfdbRecord& record : sharedWfdbRecords()) {
            std::vector<std::vector<double>> expected;
            for (const std::vector<int>& signal : sharedSignals(record)) {
                expected.emplace_back();
                for (const int value : signal) expected.back().push_back((value - record.adcZero) / record.gain);
            }
            TempFolder folder;
            const std::string found = verdictInChild(sharedWfdbFolder() / record.header, expected, folder / "verdict");
            table += fmt::format("  {:34} {}\n", record.header, found);
            EXPECT_EQ(found == "right", record.header == "100s.hea") << record.header << ": " << found;
        }
    }
    std::cout << table;
}

}  // namespace
}  // namespace sgf::testing

namespace sgf::testing {
namespace {

// The record's reference annotations as BioSig gives them, set against their words decoded by hand:
// the rhythm annotation "+" with aux text "(N" at sample 18, then normal beats at 77 and 370.
TEST(WfdbBiosigComparison, BiosigsAnnotationsOfTheSharedRecord) {
    SKIP_WITHOUT_SHARED_WFDB();
    HDRTYPE* hdr = sopen((sharedWfdbFolder() / "100s.hea").c_str(), "r", constructHDR(0, 0));
    ASSERT_EQ(serror2(hdr), 0);
    ASSERT_EQ(biosig_get_number_of_events(hdr), 75u);
    std::vector<std::uint32_t> positions;
    std::vector<std::string> texts;
    for (std::size_t n = 0; n < 3; ++n) {
        uint16_t type = 0, channel = 0;
        uint32_t position = 0, duration = 0;
        gdf_time stamp = 0;
        const char* text = nullptr;
        biosig_get_nth_event(hdr, n, &type, &position, &channel, &duration, &stamp, &text);
        if (text == nullptr) text = GetEventDescription(hdr, n);
        positions.push_back(position);
        texts.emplace_back(text == nullptr ? "" : text);
    }
    sclose(hdr);
    destructHDR(hdr);
    // A sample early, and described in words rather than by mnemonic, without the aux text: the
    // reader decodes the annotation file itself.
    EXPECT_EQ(positions, (std::vector<std::uint32_t>{17, 76, 369}));
    EXPECT_EQ(texts, (std::vector<std::string>{"rhythm change", "normal beat", "normal beat"}));
    std::cout << fmt::format("BioSig's 100s.atr: samples {} {} {} for 18 77 370, texts \"{}\" \"{}\" for \"+ (N\" \"N\"\n",
                             positions[0], positions[1], positions[2], texts[0], texts[1]);
}

}  // namespace
}  // namespace sgf::testing
