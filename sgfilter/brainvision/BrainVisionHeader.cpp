#include "brainvision/BrainVisionHeader.h"

#include <fmt/format.h>

#include <cmath>
#include <map>

#include "brainvision/FieldList.h"
#include "brainvision/IniText.h"
#include "brainvision/TextEncoding.h"
#include "util/Errors.h"
#include "util/Text.h"

namespace sgf::brainvision {

namespace {

constexpr std::string_view kCommon = "Common Infos";
constexpr std::string_view kBinary = "Binary Infos";
constexpr std::string_view kChannels = "Channel Infos";

bool startsWithEither(std::string_view text, std::string_view rest) {
    for (const std::string_view brand : {"Brain Vision ", "BrainVision "}) {
        if (text.starts_with(brand) && text.substr(brand.size()).starts_with(rest)) return true;
    }
    return false;
}

class HeaderReader {
public:
    explicit HeaderReader(const std::filesystem::path& file) : ini_(IniText::read(file, "header")) {
        if (!startsWithEither(ini_.firstLine(), "Data Exchange Header File") && !startsWithEither(ini_.firstLine(), "Core Data Format")) {
            throw InputError(file, 1, "is not a BrainVision header (its first line is not \"Brain Vision Data Exchange Header File\")");
        }
        const std::optional<IniEntry> codepage = ini_.entry(kCommon, "Codepage");
        codepage_ = codepageOf(codepage ? codepage->value : "", ini_.text(), file, codepage ? codepage->line : 0);
    }

    BrainVisionHeader read() {
        BrainVisionHeader header;
        const std::filesystem::path folder = ini_.file().parent_path();
        header.dataFile = folder / required(kCommon, "DataFile").value;
        if (const auto markers = ini_.entry(kCommon, "MarkerFile"); markers && !markers->value.empty()) {
            header.markerFile = folder / markers->value;
        }
        checkDataKind();
        header.orientation = orientation();
        header.sampleType = sampleType();
        header.samplingInterval = samplingInterval();
        if (const auto points = ini_.entry(kCommon, "DataPoints"); points && !points->value.empty()) {
            header.dataPoints = wholeNumber<uint64_t>(points->value);
            if (!header.dataPoints) throw fault(*points, "is not a number of samples");
        }
        header.channels = channels();
        return header;
    }

private:
    InputError fault(const IniEntry& entry, std::string_view problem) const {
        return InputError(ini_.file(), entry.line, fmt::format("{}={} {}", entry.key, entry.value, problem));
    }

    IniEntry required(std::string_view section, std::string_view key) const {
        std::optional<IniEntry> entry = ini_.entry(section, key);
        if (!entry || entry->value.empty()) throw InputError(ini_.file(), 0, fmt::format("has no {}= in [{}]", key, section));
        return *entry;
    }

    void checkDataKind() const {
        const IniEntry format = required(kCommon, "DataFormat");
        if (equalsIgnoringCase(format.value, "ASCII")) {
            throw fault(format, "is not read: only BINARY data (export the recording as binary)");
        }
        if (!equalsIgnoringCase(format.value, "BINARY")) throw fault(format, "is not a data format this reader knows (BINARY)");
        const std::optional<IniEntry> type = ini_.entry(kCommon, "DataType");
        if (type && !type->value.empty() && !equalsIgnoringCase(type->value, "TIMEDOMAIN")) {
            throw fault(*type, "is not read: only TIMEDOMAIN data");
        }
    }

    Orientation orientation() const {
        const IniEntry entry = required(kCommon, "DataOrientation");
        if (equalsIgnoringCase(entry.value, "MULTIPLEXED")) return Orientation::multiplexed;
        if (equalsIgnoringCase(entry.value, "VECTORIZED")) return Orientation::vectorized;
        throw fault(entry, "is neither MULTIPLEXED nor VECTORIZED");
    }

    SampleType sampleType() const {
        const IniEntry entry = required(kBinary, "BinaryFormat");
        for (const SampleType type : {SampleType::int16, SampleType::uint16, SampleType::int32, SampleType::float32}) {
            if (equalsIgnoringCase(entry.value, nameOf(type))) return type;
        }
        throw fault(entry, "is not a sample format this reader knows (INT_16, UINT_16, INT_32, IEEE_FLOAT_32)");
    }

    double samplingInterval() const {
        const IniEntry entry = required(kCommon, "SamplingInterval");
        const std::optional<double> interval = wholeNumber<double>(entry.value);
        if (!interval || !std::isfinite(*interval) || *interval <= 0) throw fault(entry, "is not a sampling interval in µs");
        return *interval;
    }

    std::vector<HeaderChannel> channels() const {
        const IniEntry count = required(kCommon, "NumberOfChannels");
        const std::optional<std::size_t> channelCount = wholeNumber<std::size_t>(count.value);
        if (!channelCount || *channelCount == 0) throw fault(count, "is not a number of channels");
        std::map<std::size_t, IniEntry> lines;
        for (const IniEntry& entry : ini_.section(kChannels)) {
            const std::optional<std::size_t> number =
                entry.key.size() > 2 && equalsIgnoringCase(entry.key.substr(0, 2), "Ch") ? wholeNumber<std::size_t>(std::string_view(entry.key).substr(2))
                                                                                         : std::nullopt;
            if (!number || *number == 0 || *number > *channelCount) {
                throw InputError(ini_.file(), entry.line, fmt::format("{} is not a channel of the {} that NumberOfChannels gives", entry.key, *channelCount));
            }
            if (!lines.emplace(*number, entry).second) throw InputError(ini_.file(), entry.line, fmt::format("Ch{} is given twice", *number));
        }
        // Every channel's line is there before any is kept, so a huge channel count costs nothing.
        if (lines.size() != *channelCount) {
            std::size_t missing = 1;
            while (lines.contains(missing)) ++missing;
            throw InputError(ini_.file(), 0, fmt::format("has no Ch{}= in [{}] (NumberOfChannels={})", missing, kChannels, *channelCount));
        }
        std::vector<HeaderChannel> channels;
        for (const auto& [number, entry] : lines) channels.push_back(channelOf(number, entry));
        return channels;
    }

    HeaderChannel channelOf(std::size_t number, const IniEntry& entry) const {
        const std::vector<std::string> fields = fieldsOf(entry.value);
        HeaderChannel channel;
        channel.label = utf8Of(trimmed(fields[0]), codepage_, ini_.file(), entry.line);
        if (channel.label.empty()) channel.label = std::to_string(number);
        if (fields.size() > 2 && !trimmed(fields[2]).empty()) {
            const std::optional<double> resolution = wholeNumber<double>(trimmed(fields[2]));
            if (!resolution || !std::isfinite(*resolution) || *resolution == 0) {
                throw InputError(ini_.file(), entry.line, fmt::format("Ch{}'s resolution \"{}\" is not a nonzero number", number, fields[2]));
            }
            channel.resolution = *resolution;
        }
        // The format's unit where the line gives none.
        channel.units = fields.size() > 3 && !trimmed(fields[3]).empty() ? utf8Of(trimmed(fields[3]), codepage_, ini_.file(), entry.line)
                                                                          : std::string("µV");
        return channel;
    }

    IniText ini_;
    Codepage codepage_;
};

}  // namespace

bool isBrainVisionHeader(std::string_view head) {
    if (head.starts_with(kByteOrderMark)) head.remove_prefix(kByteOrderMark.size());
    return startsWithEither(head, "Data Exchange Header File") || startsWithEither(head, "Core Data Format");
}

BrainVisionHeader readBrainVisionHeader(const std::filesystem::path& file) { return HeaderReader(file).read(); }

std::size_t bytesPerSample(SampleType type) { return type == SampleType::float32 || type == SampleType::int32 ? 4 : 2; }

bool needsLargestValue(SampleType type) { return type == SampleType::float32 || type == SampleType::int32; }

std::string_view nameOf(SampleType type) {
    switch (type) {
        case SampleType::int16: return "INT_16";
        case SampleType::uint16: return "UINT_16";
        case SampleType::int32: return "INT_32";
        case SampleType::float32: return "IEEE_FLOAT_32";
    }
    return "";
}

}  // namespace sgf::brainvision
