// An EDF+ or BDF+ file taken apart by its published layout: the header's fields, a signal's
// digital samples across the records, and each record's TALs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sgf::testing {

struct WrittenTal {
    double onset;
    std::string duration;  // as written; empty when there is none
    std::vector<std::string> texts;
};

struct WrittenEdf {
    std::string bytes;

    std::string text(std::size_t offset, std::size_t width) const {
        const std::string field = bytes.substr(offset, width);
        return field.substr(0, field.find_last_not_of(' ') + 1);
    }
    std::size_t signals() const { return std::stoul(text(252, 4)); }
    std::size_t recordCount() const { return std::stoul(text(236, 8)); }
    std::string recordDuration() const { return text(244, 8); }
    std::string kind() const { return text(192, 44); }
    std::size_t bytesPerSample() const { return bytes[0] == '\xff' ? 3 : 2; }
    // A signal's field: `before` is the width of the fields that come before it for each signal.
    std::string field(std::size_t before, std::size_t width, std::size_t signal) const {
        return text(256 + before * signals() + signal * width, width);
    }
    double number(std::size_t before, std::size_t signal) const { return std::stod(field(before, 8, signal)); }
    std::string label(std::size_t signal) const { return field(0, 16, signal); }
    std::size_t samplesPerRecord(std::size_t signal) const { return std::stoul(field(216, 8, signal)); }
    double resolution(std::size_t signal) const {
        return (number(112, signal) - number(104, signal)) / (number(128, signal) - number(120, signal));
    }
    double physicalOf(std::size_t signal, int digital) const {
        return number(104, signal) + (digital - number(120, signal)) * resolution(signal);
    }

    // A signal's bytes in a record.
    std::string samplesIn(std::size_t record, std::size_t signal) const {
        std::size_t recordBytes = 0, before = 0;
        for (std::size_t s = 0; s < signals(); ++s) {
            if (s == signal) before = recordBytes;
            recordBytes += samplesPerRecord(s) * bytesPerSample();
        }
        return bytes.substr(256 * (signals() + 1) + record * recordBytes + before, samplesPerRecord(signal) * bytesPerSample());
    }
    std::string sampleBytes(std::size_t signal) const {
        std::string all;
        for (std::size_t record = 0; record < recordCount(); ++record) all += samplesIn(record, signal);
        return all;
    }
    std::vector<int> digitalSamples(std::size_t signal) const {
        const std::string all = sampleBytes(signal);
        const std::size_t size = bytesPerSample();
        const uint32_t sign = uint32_t{1} << (8 * size - 1);
        std::vector<int> samples;
        for (std::size_t at = 0; at < all.size(); at += size) {
            uint32_t word = 0;
            for (std::size_t byte = 0; byte < size; ++byte) word |= uint32_t{static_cast<unsigned char>(all[at + byte])} << (8 * byte);
            samples.push_back(static_cast<int>(word ^ sign) - static_cast<int>(sign));
        }
        return samples;
    }
    // The TALs of a record, the time-keeping one first (its one text empty); annotations are the last signal.
    std::vector<WrittenTal> tals(std::size_t record) const {
        const std::string all = samplesIn(record, signals() - 1);
        std::vector<WrittenTal> tals;
        for (std::size_t at = 0; at < all.size() && all[at] != '\0'; at = all.find('\0', at) + 1) {
            const std::string tal = all.substr(at, all.find('\0', at) - at);
            std::size_t next = tal.find_first_of("\x14\x15");
            WrittenTal parsed{std::stod(tal.substr(0, next)), {}, {}};
            if (tal[next] == '\x15') {
                const std::size_t end = tal.find('\x14', next);
                parsed.duration = tal.substr(next + 1, end - next - 1);
                next = end;
            }
            for (std::size_t close; next + 1 < tal.size(); next = close) {
                close = tal.find('\x14', next + 1);
                parsed.texts.push_back(tal.substr(next + 1, close - next - 1));
            }
            tals.push_back(parsed);
        }
        return tals;
    }
};

}  // namespace sgf::testing
