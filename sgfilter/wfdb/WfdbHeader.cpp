#include "wfdb/WfdbHeader.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <string_view>

#include "util/Errors.h"

namespace sgf {

namespace {

// More would make a frame of one file larger than a stretch decoded at once is meant to be.
constexpr int kMostSamplesPerFrame = 4096;

struct Token {
    std::string_view text;
    std::size_t position;  // in the line
};

std::vector<Token> tokensOf(std::string_view line) {
    std::vector<Token> tokens;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r')) ++at;
        const std::size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r') ++at;
        if (at > start) tokens.push_back({line.substr(start, at - start), start});
    }
    return tokens;
}

// Reads the lines of one header, naming the file and line in every complaint.
class HeaderLines {
public:
    explicit HeaderLines(const std::filesystem::path& file) : file_(file) {}

    [[noreturn]] void fail(const std::string& message) const { throw InputError(file_, line_, message); }
    void atLine(std::size_t line) { line_ = line; }

    // A number at the front of `text`, which is left holding the rest.
    template <typename Number>
    Number leading(std::string_view& text, std::string_view what) const {
        Number value{};
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end == text.data()) fail(fmt::format("{} \"{}\" is not a number", what, text));
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        return value;
    }
    template <typename Number>
    Number whole(std::string_view text, std::string_view what) const {
        std::string_view rest = text;
        const auto value = leading<Number>(rest, what);
        if (!rest.empty()) fail(fmt::format("{} \"{}\" is not a number", what, text));
        return value;
    }

private:
    std::filesystem::path file_;
    std::size_t line_ = 0;
};

// "[[hh:]mm:]ss[.sss]".
double timeOfDay(const HeaderLines& lines, std::string_view text) {
    double seconds = 0.0;
    std::string_view rest = text;
    int fields = 0;
    for (;;) {
        const std::size_t colon = rest.find(':');
        if (colon == std::string_view::npos) break;
        seconds = seconds * 60.0 + lines.whole<int>(rest.substr(0, colon), "base time");
        rest.remove_prefix(colon + 1);
        if (++fields > 2) lines.fail(fmt::format("base time \"{}\" has too many fields", text));
    }
    const double last = lines.whole<double>(rest, "base time");
    return seconds * 60.0 + last;
}

WfdbHeader::Date dateOf(const HeaderLines& lines, std::string_view text) {
    const std::size_t first = text.find('/');
    const std::size_t second = first == std::string_view::npos ? first : text.find('/', first + 1);
    if (second == std::string_view::npos) lines.fail(fmt::format("base date \"{}\" is not dd/mm/yyyy", text));
    WfdbHeader::Date date{lines.whole<int>(text.substr(second + 1), "base date"),
                          lines.whole<int>(text.substr(first + 1, second - first - 1), "base date"),
                          lines.whole<int>(text.substr(0, first), "base date")};
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) {
        lines.fail(fmt::format("base date \"{}\" is not dd/mm/yyyy", text));
    }
    return date;
}

// "name[/segments] signals [frequency[/counter[(base)]] [frames [time [date]]]]".
void readRecordLine(const HeaderLines& lines, const std::vector<Token>& tokens, WfdbHeader& header) {
    if (tokens.size() < 2) lines.fail("the record line needs a record name and a number of signals");
    std::string_view name = tokens[0].text;
    const std::size_t slash = name.find('/');
    if (slash != std::string_view::npos) {
        header.multiSegment = true;
        header.segmentCount = lines.whole<int>(name.substr(slash + 1), "number of segments");
        if (header.segmentCount < 1) lines.fail("a record has at least one segment");
        name = name.substr(0, slash);
    }
    header.recordName = std::string(name);
    header.signalCount = lines.whole<int>(tokens[1].text, "number of signals");
    if (header.signalCount < 0) lines.fail("the number of signals is negative");
    if (tokens.size() > 2) {
        std::string_view frequency = tokens[2].text;
        header.frameRate = lines.leading<double>(frequency, "sampling frequency");
        if (!frequency.empty() && frequency.front() == '/') {
            frequency.remove_prefix(1);
            header.counterFrequency = lines.leading<double>(frequency, "counter frequency");
            if (!frequency.empty() && frequency.front() == '(') {
                frequency.remove_prefix(1);
                header.baseCounter = lines.leading<double>(frequency, "base counter value");
                if (frequency != ")") lines.fail("the base counter value lacks its ')'");
                frequency = {};
            }
        }
        if (!frequency.empty()) lines.fail(fmt::format("sampling frequency \"{}\" is not a number", tokens[2].text));
        if (!std::isfinite(header.frameRate) || !std::isfinite(header.counterFrequency)) lines.fail("the sampling frequency is not finite");
        if (!(header.frameRate > 0)) header.frameRate = 250.0;
    }
    if (tokens.size() > 3) {
        const auto frames = lines.whole<std::uint64_t>(tokens[3].text, "number of samples per signal");
        if (frames > 0) header.frames = frames;
    }
    if (tokens.size() > 4) header.baseTime = timeOfDay(lines, tokens[4].text);
    if (tokens.size() > 5) header.baseDate = dateOf(lines, tokens[5].text);
    if (tokens.size() > 6) lines.fail("the record line has fields past the base date");
}

// "format[xframes][:skew][+offset]".
void readFormatField(const HeaderLines& lines, std::string_view text, WfdbSignalLine& signal) {
    signal.format = lines.leading<int>(text, "storage format");
    if (!text.empty() && text.front() == 'x') {
        text.remove_prefix(1);
        signal.samplesPerFrame = lines.leading<int>(text, "samples per frame");
        if (signal.samplesPerFrame < 1 || signal.samplesPerFrame > kMostSamplesPerFrame) {
            lines.fail(fmt::format("samples per frame must be 1 to {}", kMostSamplesPerFrame));
        }
    }
    if (!text.empty() && text.front() == ':') {
        text.remove_prefix(1);
        signal.skew = lines.leading<int>(text, "skew");
        if (signal.skew < 0) lines.fail("a negative skew cannot be read");
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        signal.byteOffset = lines.leading<std::uint64_t>(text, "byte offset");
    }
    if (!text.empty()) lines.fail(fmt::format("the format field has \"{}\" past its end", text));
}

// "gain[(baseline)][/units]".
void readGainField(const HeaderLines& lines, std::string_view text, WfdbSignalLine& signal, bool& baselineGiven) {
    const double gain = lines.leading<double>(text, "ADC gain");
    if (!std::isfinite(gain)) lines.fail("the ADC gain is not finite");
    if (gain != 0.0) signal.gain = gain;
    if (!text.empty() && text.front() == '(') {
        text.remove_prefix(1);
        signal.baseline = lines.leading<int>(text, "baseline");
        if (text.empty() || text.front() != ')') lines.fail("the baseline lacks its ')'");
        text.remove_prefix(1);
        baselineGiven = true;
    }
    if (!text.empty() && text.front() == '/') {
        text.remove_prefix(1);
        if (!text.empty()) signal.units = std::string(text);
        text = {};
    }
    if (!text.empty()) lines.fail(fmt::format("the gain field has \"{}\" past its end", text));
}

WfdbSignalLine readSignalLine(const HeaderLines& lines, std::string_view line, const std::vector<Token>& tokens,
                              std::size_t number) {
    if (tokens.size() < 2) lines.fail("a signal line needs a file name and a storage format");
    WfdbSignalLine signal;
    signal.fileName = std::string(tokens[0].text);
    readFormatField(lines, tokens[1].text, signal);
    bool baselineGiven = false, initialGiven = false;
    if (tokens.size() > 2) readGainField(lines, tokens[2].text, signal, baselineGiven);
    if (tokens.size() > 3) signal.adcResolution = lines.whole<int>(tokens[3].text, "ADC resolution");
    if (signal.adcResolution < 0 || signal.adcResolution > 32) lines.fail("the ADC resolution must be 0 to 32 bits");
    if (tokens.size() > 4) signal.adcZero = lines.whole<int>(tokens[4].text, "ADC zero");
    if (tokens.size() > 5) {
        signal.initialValue = lines.whole<int>(tokens[5].text, "initial value");
        initialGiven = true;
    }
    // The checksum and block size (tokens 6 and 7) say nothing the samples need.
    if (tokens.size() > 8) {
        std::string_view description = line.substr(tokens[8].position);
        while (!description.empty() && (description.back() == ' ' || description.back() == '\r' || description.back() == '\t')) {
            description.remove_suffix(1);
        }
        signal.description = std::string(description);
    } else {
        signal.description = fmt::format("signal {}", number);
    }
    if (!baselineGiven) signal.baseline = signal.adcZero;
    if (!initialGiven) signal.initialValue = signal.adcZero;
    return signal;
}

}  // namespace

WfdbHeader readWfdbHeader(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw InputError(file, 0, "cannot open the header");
    HeaderLines lines(file);
    WfdbHeader header;
    bool recordLineRead = false;
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        lines.atLine(number);
        const std::vector<Token> tokens = tokensOf(line);
        if (tokens.empty()) continue;
        if (tokens[0].text.front() == '#') {
            std::string_view comment = std::string_view(line).substr(tokens[0].position + 1);
            while (!comment.empty() && comment.back() == '\r') comment.remove_suffix(1);
            header.comments.emplace_back(comment);
            continue;
        }
        if (!recordLineRead) {
            readRecordLine(lines, tokens, header);
            recordLineRead = true;
        } else if (header.multiSegment) {
            if (tokens.size() != 2) lines.fail("a segment line needs a record name and a number of samples");
            header.segments.push_back({std::string(tokens[0].text), lines.whole<std::uint64_t>(tokens[1].text, "segment length")});
        } else {
            if (static_cast<int>(header.signals.size()) == header.signalCount) lines.fail("more signal lines than the record line's number of signals");
            header.signals.push_back(readSignalLine(lines, line, tokens, header.signals.size() + 1));
        }
    }
    lines.atLine(0);
    if (!recordLineRead) lines.fail("has no record line");
    if (!header.multiSegment && static_cast<int>(header.signals.size()) != header.signalCount) {
        lines.fail(fmt::format("the record line gives {} signals, but {} signal lines follow", header.signalCount, header.signals.size()));
    }
    if (header.multiSegment && static_cast<int>(header.segments.size()) != header.segmentCount) {
        lines.fail(fmt::format("the record line gives {} segments, but {} segment lines follow", header.segmentCount, header.segments.size()));
    }
    return header;
}

}  // namespace sgf
