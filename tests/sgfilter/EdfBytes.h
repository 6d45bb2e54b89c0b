// EDF and BDF files written byte by byte from their published layout, so the tests know every
// field of what sgfilter reads without trusting the libraries it reads them with.
#pragma once

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sgf::testing {

struct EdfTestSignal {
    std::string label;
    std::string units;
    double physicalMinimum, physicalMaximum;
    int digitalMinimum, digitalMaximum;
    int samplesPerRecord;
    std::function<int(std::size_t sample)> digital;  // sample counts across all records
};

struct EdfTestAnnotation {
    double onset;
    double duration;
    std::string text;
};

struct EdfTestFile {
    bool is24Bit = false;
    bool discontinuous = false;
    // Plain EDF or BDF (BioSemi's "24BIT"): no annotation signal, so no onsets and no annotations.
    bool plain = false;
    double recordDuration = 1.0;
    std::vector<double> onsets;  // one per data record
    std::vector<EdfTestSignal> signals;
    std::vector<EdfTestAnnotation> annotations;  // written in the first record, whose room grows to hold them
    // Written in the record of the given number, after its time-keeping TAL, as writers that
    // note events as they come do.
    std::vector<std::pair<std::size_t, EdfTestAnnotation>> recordAnnotations;
    // The reserved field as written, where it is not the one the file's layout implies: a plain
    // EDF that carries an annotation signal all the same, as some recorders write.
    std::optional<std::string> reserved;
    std::string startDate = "01.02.21";
    std::string startTime = "10.20.30";

    double physicalOf(const EdfTestSignal& signal, int digital) const {
        return signal.physicalMinimum + (digital - signal.digitalMinimum) * (signal.physicalMaximum - signal.physicalMinimum) /
                                            (signal.digitalMaximum - signal.digitalMinimum);
    }

    std::string bytes() const {
        const int bytesPerSample = is24Bit ? 3 : 2;
        std::string firstTals;
        for (const EdfTestAnnotation& a : annotations) {
            firstTals += fmt::format("+{:g}\x15{:g}\x14{}\x14", a.onset, a.duration, a.text) + '\0';
        }
        std::vector<std::string> laterTals(onsets.size());
        for (const auto& [record, a] : recordAnnotations) {
            laterTals.at(record) += fmt::format("+{:g}\x15{:g}\x14{}\x14", a.onset, a.duration, a.text) + '\0';
        }
        std::size_t longestTals = firstTals.size();
        for (const std::string& tals : laterTals) longestTals = std::max(longestTals, tals.size());
        const int annotationSamples = std::max(60, static_cast<int>(longestTals + 20) / bytesPerSample + 1);
        const std::size_t count = signals.size() + (plain ? 0 : 1);
        const auto field = [](const std::string& text, std::size_t width) {
            std::string padded = text.substr(0, width);
            padded.resize(width, ' ');
            return padded;
        };
        std::string out = is24Bit ? std::string("\xff" "BIOSEMI") : field("0", 8);
        out += field("X X X X", 80) + field("Startdate 01-FEB-2021 X X X", 80) + field(startDate, 8) +
               field(startTime, 8) + field(std::to_string(256 * (count + 1)), 8);
        out += field(reserved.value_or(plain ? std::string(is24Bit ? "24BIT" : "")
                                             : std::string(is24Bit ? "BDF+" : "EDF+") + (discontinuous ? "D" : "C")),
                     44);
        out += field(std::to_string(onsets.size()), 8) + field(fmt::format("{:g}", recordDuration), 8) +
               field(std::to_string(count), 4);
        const std::string annotationLabel = is24Bit ? "BDF Annotations" : "EDF Annotations";
        const int fullMinimum = is24Bit ? -8388608 : -32768;
        const int fullMaximum = is24Bit ? 8388607 : 32767;
        const auto each = [&](auto&& ofSignal, const std::string& ofAnnotations, std::size_t width) {
            for (const EdfTestSignal& signal : signals) out += field(ofSignal(signal), width);
            if (!plain) out += field(ofAnnotations, width);
        };
        each([](const EdfTestSignal& s) { return s.label; }, annotationLabel, 16);
        each([](const EdfTestSignal&) { return std::string(); }, "", 80);
        each([](const EdfTestSignal& s) { return s.units; }, "", 8);
        // Six digits, or every digit of a whole number, as the field's 8 characters allow.
        const auto number = [](double value) {
            const std::string text = fmt::format("{:g}", value);
            return text.find('e') == std::string::npos ? text : fmt::format("{:.0f}", value);
        };
        each([&](const EdfTestSignal& s) { return number(s.physicalMinimum); }, "-1", 8);
        each([&](const EdfTestSignal& s) { return number(s.physicalMaximum); }, "1", 8);
        each([](const EdfTestSignal& s) { return std::to_string(s.digitalMinimum); }, std::to_string(fullMinimum), 8);
        each([](const EdfTestSignal& s) { return std::to_string(s.digitalMaximum); }, std::to_string(fullMaximum), 8);
        each([](const EdfTestSignal&) { return std::string(); }, "", 80);
        each([](const EdfTestSignal& s) { return std::to_string(s.samplesPerRecord); }, std::to_string(annotationSamples), 8);
        each([](const EdfTestSignal&) { return std::string(); }, "", 32);
        for (std::size_t record = 0; record < onsets.size(); ++record) {
            for (const EdfTestSignal& signal : signals) {
                for (int sample = 0; sample < signal.samplesPerRecord; ++sample) {
                    const auto value = static_cast<uint32_t>(signal.digital(record * static_cast<std::size_t>(signal.samplesPerRecord) + static_cast<std::size_t>(sample)));
                    for (int byte = 0; byte < bytesPerSample; ++byte) out += static_cast<char>((value >> (8 * byte)) & 0xFF);
                }
            }
            if (plain) continue;
            std::string tal = fmt::format("+{:g}\x14\x14", onsets[record]) + '\0';
            if (record == 0) tal += firstTals;
            tal += laterTals[record];
            tal.resize(static_cast<std::size_t>(annotationSamples * bytesPerSample), '\0');
            out += tal;
        }
        return out;
    }
};

// Consecutive onsets, with `pause` seconds more before record `pauseBefore` (none when 0).
inline std::vector<double> recordOnsets(std::size_t records, double duration, std::size_t pauseBefore = 0, double pause = 0) {
    std::vector<double> onsets;
    for (std::size_t record = 0; record < records; ++record) {
        onsets.push_back(static_cast<double>(record) * duration + (pauseBefore > 0 && record >= pauseBefore ? pause : 0.0));
    }
    return onsets;
}

}  // namespace sgf::testing
