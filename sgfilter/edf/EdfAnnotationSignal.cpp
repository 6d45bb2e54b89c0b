#include "edf/EdfAnnotationSignal.h"

#include <charconv>
#include <string>

namespace sgf {

namespace {

constexpr char kOnsetEnd = '\x15';
constexpr char kTextEnd = '\x14';

// "+12.5" or "-0.25"; from_chars reads the C locale's numbers, whatever the process's locale.
std::optional<double> signedSeconds(std::string_view text, bool signRequired) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    } else if (signRequired) {
        return std::nullopt;
    }
    double seconds = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return negative ? -seconds : seconds;
}

}  // namespace

std::optional<RecordTals> readRecordTals(std::string_view bytes) {
    RecordTals read;
    std::size_t at = 0;
    for (bool first = true;; first = false) {
        while (at < bytes.size() && bytes[at] == '\0') ++at;
        if (at == bytes.size()) return read;
        const std::size_t stampEnd = bytes.find(kTextEnd, at);
        if (stampEnd == std::string_view::npos) return std::nullopt;
        const std::string_view stamp = bytes.substr(at, stampEnd - at);
        const std::size_t durationAt = stamp.find(kOnsetEnd);
        const std::optional<double> onset = signedSeconds(stamp.substr(0, durationAt), true);
        std::optional<double> duration = 0.0;
        if (durationAt != std::string_view::npos) duration = signedSeconds(stamp.substr(durationAt + 1), false);
        if (!onset || !duration) return std::nullopt;
        // The texts, each closed by \x14, until the \0 that closes the TAL.
        at = stampEnd + 1;
        for (bool firstText = true; at < bytes.size() && bytes[at] != '\0'; firstText = false) {
            const std::size_t textEnd = bytes.find(kTextEnd, at);
            if (textEnd == std::string_view::npos) return std::nullopt;
            const std::string_view text = bytes.substr(at, textEnd - at);
            if (first && firstText && text.empty()) {
                read.timeKeepingOnset = *onset;
            } else if (!text.empty()) {
                read.annotations.push_back({*onset, *duration, std::string(text)});
            }
            at = textEnd + 1;
        }
        // A TAL of a stamp alone ("+5\x14\0") keeps time too, where it comes first.
        if (first && at == stampEnd + 1) read.timeKeepingOnset = *onset;
    }
}

}  // namespace sgf
