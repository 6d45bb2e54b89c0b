#include "edf/EdfPlusHeader.h"

#include <fmt/format.h>

#include <cstdlib>
#include <functional>

#include "edf/EdfPlusNumbers.h"
#include "util/Errors.h"

namespace sgf {

namespace {

// Header text is printable ASCII. A unit or label written in UTF-8 keeps one character per code
// point: the micro sign becomes "u", as EDF writes microvolts, and any other becomes "_".
std::string asciiOf(const std::string& text) {
    std::string ascii;
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            ascii += text[at++];
            continue;
        }
        std::size_t length = 1;
        while (byte >= 0xC0 && at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) ++length;
        const std::string character = text.substr(at, length);
        ascii += character == "\xC2\xB5" || character == "\xCE\xBC" ? 'u' : '_';
        at += length;
    }
    return ascii;
}

std::string field(const std::string& text, std::size_t width) {
    std::string padded = asciiOf(text).substr(0, width);
    padded.resize(width, ' ');
    return padded;
}

// EDF+ identification subfields are separated by spaces, so a space inside one is written "_".
std::string subfield(std::string text) {
    for (char& character : text) {
        if (character == ' ') character = '_';
    }
    return text.empty() ? "X" : text;
}

std::string startDate(const StartDateTime& start) {
    static constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    return fmt::format("{:02}-{}-{:04}", start.day, kMonths[(start.month + 11) % 12], start.year);
}

}  // namespace

WrittenPhysicalRange writtenPhysicalRangeOf(const EdfPlusSignal& signal) {
    const std::optional<std::string> minimum = eightCharacterText(signal.physicalMinimum, false);
    const std::optional<std::string> maximum = eightCharacterText(signal.physicalMaximum, true);
    if (!minimum || !maximum) {
        throw UsageError(fmt::format("the physical range of signal \"{}\", {} to {} {}, cannot be written in the "
                                     "8 characters of an EDF header",
                                     signal.label, signal.physicalMinimum, signal.physicalMaximum, signal.units));
    }
    return {*minimum, *maximum, std::strtod(minimum->c_str(), nullptr), std::strtod(maximum->c_str(), nullptr)};
}

std::string edfPlusHeader(const EdfPlusContents& contents, const std::vector<WrittenPhysicalRange>& ranges,
                          const EdfPlusRecordLayout& layout) {
    const std::size_t signalCount = contents.signals.size() + 1;
    const StartDateTime& start = contents.start;
    const bool continuous = contents.runs.size() <= 1;
    std::string header = contents.is24Bit ? std::string("\xff" "BIOSEMI") : field("0", 8);
    header += field("X X X " + subfield(contents.patientName), 80);
    header += field(fmt::format("Startdate {} X X {}", startDate(start), subfield(contents.equipment)), 80);
    header += fmt::format("{:02}.{:02}.{:02}{:02}.{:02}.{:02}", start.day, start.month, start.year % 100, start.hour,
                          start.minute, start.second);
    header += field(std::to_string(256 * (signalCount + 1)), 8);
    header += field(fmt::format("{}+{}", contents.is24Bit ? "BDF" : "EDF", continuous ? "C" : "D"), 44);
    header += field(std::to_string(layout.recordCount), 8) + field(secondsText(layout.size.nanoseconds), 8) +
              field(std::to_string(signalCount), 4);

    const int32_t fullMaximum = contents.is24Bit ? 8388607 : 32767;
    const auto each = [&](const std::function<std::string(std::size_t)>& ofSignal, const std::string& ofAnnotations,
                          std::size_t width) {
        for (std::size_t index = 0; index < contents.signals.size(); ++index) header += field(ofSignal(index), width);
        header += field(ofAnnotations, width);
    };
    const auto signal = [&](std::size_t index) -> const EdfPlusSignal& { return contents.signals[index]; };
    each([&](std::size_t i) { return signal(i).label; }, contents.is24Bit ? "BDF Annotations" : "EDF Annotations", 16);
    each([](std::size_t) { return std::string(); }, "", 80);
    each([&](std::size_t i) { return signal(i).units; }, "", 8);
    each([&](std::size_t i) { return ranges[i].minimumText; }, "-1", 8);
    each([&](std::size_t i) { return ranges[i].maximumText; }, "1", 8);
    each([&](std::size_t i) { return std::to_string(signal(i).digitalMinimum); }, std::to_string(-fullMaximum - 1), 8);
    each([&](std::size_t i) { return std::to_string(signal(i).digitalMaximum); }, std::to_string(fullMaximum), 8);
    each([&](std::size_t i) { return signal(i).prefiltering; }, "", 80);
    each([&](std::size_t i) { return std::to_string(layout.size.ticks * signal(i).samplesPerTick); },
         std::to_string(layout.annotationSamples), 8);
    each([](std::size_t) { return std::string(); }, "", 32);
    return header;
}

}  // namespace sgf
