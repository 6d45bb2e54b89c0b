#include "edf/EdfReader.h"

#include <biosig.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>
#include <string_view>

#include "edf/EdfHeaderCheck.h"
#include "io/StandardInput.h"
#include "refhost/Scaling.h"
#include "refhost/UnlinkedFile.h"
#include "util/Errors.h"

namespace sgf {

namespace {

constexpr uint16_t kRecordOnsetEvent = 0x7ffe;
constexpr double kGdfTicksPerSecond = 4294967296.0 / 86400.0;

struct CloseBiosig {
    void operator()(HDRTYPE* hdr) const {
        sclose(hdr);
        destructHDR(hdr);
    }
};
using BiosigFile = std::unique_ptr<HDRTYPE, CloseBiosig>;

BiosigFile openWithBiosig(const std::filesystem::path& file, const std::filesystem::path& shownAs) {
    HDRTYPE* hdr = constructHDR(0, 0);
    hdr = sopen(file.c_str(), "r", hdr);
    BiosigFile opened(hdr);
    if (serror2(hdr) != 0) {
        throw InputError(shownAs, 0, fmt::format("cannot be read as EDF or BDF: {}", biosig_get_errormsg(hdr)));
    }
    return opened;
}

// Standard input copied whole to a temporary file, which has no name from the start.
int spoolStandardInput(const std::filesystem::path& folder) {
    const int descriptor = refhost::createUnlinkedFile(folder, ".sgfilter-input-");
    if (descriptor < 0) {
        throw std::runtime_error(fmt::format("cannot create a temporary file in {}: {}", folder.string(), std::strerror(errno)));
    }
    std::vector<char> buffer(std::size_t{1} << 20);
    off_t written = 0;
    for (;;) {
        const ssize_t count = standardInput::read(buffer.data(), buffer.size());
        if (count == 0) return descriptor;
        if (count < 0 || !refhost::writeAllAt(descriptor, buffer.data(), static_cast<std::size_t>(count), written)) {
            const int error = errno;
            ::close(descriptor);
            throw std::runtime_error(fmt::format("cannot copy standard input to {}: {}", folder.string(), std::strerror(error)));
        }
        written += count;
    }
}

int openForReading(const std::filesystem::path& file) {
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) throw InputError(file, 0, std::string("cannot open: ") + std::strerror(errno));
    return descriptor;
}

// Stored values are digital values over a power of two, so float32 holds every digital value
// exactly and the largest lands within the host's normalised full scale.
sg::ChannelScaling scalingOf(const SignalHeader& signal) {
    const double largest = std::max(std::fabs(signal.digitalMinimum), std::fabs(signal.digitalMaximum));
    const double baseFactor = std::exp2(std::ceil(std::log2(largest / sg::FullScaleMax)));
    const double factor = (signal.physicalMaximum - signal.physicalMinimum) / (signal.digitalMaximum - signal.digitalMinimum);
    const double offset = signal.physicalMinimum - signal.digitalMinimum * factor;
    // As many decimals as one digital step needs.
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(std::fabs(factor)) - 1e-9)), 0, 9);
    return refhost::convertedScaling(baseFactor, factor, offset, signal.units, static_cast<int16_t>(decimals));
}

// Little-endian two's complement of 16 (EDF) or 24 (BDF) bits.
int32_t digitalValue(const unsigned char* bytes, std::size_t size) {
    uint32_t word = 0;
    for (std::size_t byte = 0; byte < size; ++byte) word |= static_cast<uint32_t>(bytes[byte]) << (8 * byte);
    const uint32_t sign = uint32_t{1} << (8 * size - 1);
    return static_cast<int32_t>(word ^ sign) - static_cast<int32_t>(sign);
}

// The fewest decimals that write every sample time of the rate exactly, where there are any.
int timeDecimalsFor(double sampleRate) {
    for (int decimals = 0; decimals < 9; ++decimals) {
        const double steps = std::pow(10.0, decimals) / sampleRate;
        if (std::fabs(steps - std::round(steps)) < 1e-9) return decimals;
    }
    return 9;
}

// The input's annotations, but for the time-keeping ones BioSig makes of every record's onset.
std::vector<Annotation> annotationsOf(HDRTYPE* hdr) {
    std::vector<Annotation> annotations;
    const gdf_time start = biosig_get_startdatetime_gdf(hdr);
    const double eventRate = biosig_get_eventtable_samplerate(hdr);
    const std::size_t events = biosig_get_number_of_events(hdr);
    for (std::size_t n = 0; n < events; ++n) {
        uint16_t type = 0, channel = 0;
        uint32_t position = 0, duration = 0;
        gdf_time stamp = 0;
        const char* text = nullptr;
        biosig_get_nth_event(hdr, n, &type, &position, &channel, &duration, &stamp, &text);
        if (type == kRecordOnsetEvent) continue;
        // BioSig files a text it knows (a sleep stage, say) under its own code, and gives the
        // text by that code.
        if (text == nullptr) text = GetEventDescription(hdr, n);
        if (text == nullptr || *text == '\0') continue;
        annotations.push_back({static_cast<double>(stamp - start) / kGdfTicksPerSecond,
                               eventRate > 0 ? static_cast<double>(duration) / eventRate : 0.0, text});
    }
    return annotations;
}

// The onset a data record's time-keeping annotation gives, which opens the record's first
// annotation signal as "+12.5\x14\x14"; nothing where there is none.
std::optional<double> timeKeepingOnset(std::string_view annotation) {
    const std::size_t end = annotation.find('\x14');
    if (end == std::string_view::npos || end < 2 || (annotation[0] != '+' && annotation[0] != '-')) return std::nullopt;
    const std::string_view digits = annotation.substr(1, end - 1);
    double onset = 0.0;
    // from_chars reads the C locale's numbers, whatever the process's locale.
    const auto [parsed, error] = std::from_chars(digits.data(), digits.data() + digits.size(), onset, std::chars_format::fixed);
    if (error != std::errc() || parsed != digits.data() + digits.size()) return std::nullopt;
    return annotation[0] == '-' ? -onset : onset;
}

}  // namespace

EdfReader::EdfReader(const std::filesystem::path& file, const std::filesystem::path& spoolFolder) : file_(file) {
    descriptor_ = file == "-" ? spoolStandardInput(spoolFolder) : openForReading(file);
    try {
        // The libraries open files by name; a copy of standard input has only its descriptor's.
        const std::filesystem::path openedAs =
            file == "-" ? std::filesystem::path(fmt::format("/proc/self/fd/{}", descriptor_)) : file;
        header_ = checkEdfHeader(openedAs, file_);
        std::size_t offset = 0;
        const std::size_t bytesPerSample = header_.is24Bit ? 3 : 2;
        for (const SignalHeader& signal : header_.signals) {
            if (!signal.isAnnotations) {
                dataSignals_.push_back(signal);
                signalOffsets_.push_back(offset);
            }
            offset += signal.samplesPerRecord * bytesPerSample;
        }
        if (dataSignals_.empty() && !header_.isPlus) throw InputError(file_, 0, "holds no signals");
        // Only EDF+ and BDF+ have annotations; a plain file (BioSemi's BDF with its Status signal
        // among them) is read from its header alone.
        if (header_.isPlus) {
            const BiosigFile biosig = openWithBiosig(openedAs, file_);
            if (static_cast<std::size_t>(biosig_get_number_of_channels(biosig.get())) != dataSignals_.size()) {
                // BioSig makes events of a BDF+ file's Status signal and mixes them with the annotations.
                const bool hasStatus = std::ranges::find(dataSignals_, std::string("Status"), &SignalHeader::label) != dataSignals_.end();
                throw InputError(file_, 0, hasStatus ? "in BDF+ its Status signal cannot be told apart from its annotations "
                                                       "(a plain BDF's Status signal reads as any other)"
                                                     : "its signals cannot be told apart from its annotations");
            }
            recording_.annotations = annotationsOf(biosig.get());
        }
        recording_.recordDuration = header_.recordDuration;
        recording_.recordCount = header_.recordCount;
        recording_.start = header_.start;
        describeChannels();
        readRecordOnsets();
        recording_.runCount = static_cast<std::size_t>(std::ranges::count(startsRun_, true));
        if (!dataSignals_.empty()) {
            const std::size_t firstSignal = 0;
            chooseRates({&firstSignal, 1});
        }
    } catch (...) {
        ::close(descriptor_);
        throw;
    }
}

EdfReader::~EdfReader() { ::close(descriptor_); }

void EdfReader::chooseRates(std::span<const std::size_t> channels) {
    rateSamplesPerRecord_.clear();
    ticksPerRecord_ = 0;
    for (const std::size_t channel : channels) {
        const std::size_t perRecord = dataSignals_.at(channel).samplesPerRecord;
        if (std::ranges::find(rateSamplesPerRecord_, perRecord) == rateSamplesPerRecord_.end()) {
            rateSamplesPerRecord_.push_back(perRecord);
            ticksPerRecord_ = std::gcd(ticksPerRecord_, perRecord);
        }
    }
    recording_.tickRate = static_cast<double>(ticksPerRecord_) / header_.recordDuration;
    rateTimes_.clear();
    rates_.clear();
    rateTimes_.reserve(rateSamplesPerRecord_.size());  // the rates point at them
    for (const std::size_t perRecord : rateSamplesPerRecord_) {
        const double interval = header_.recordDuration / static_cast<double>(perRecord);
        const RecordTimes& times = rateTimes_.emplace_back(onsets_, perRecord, interval);
        rates_.push_back({interval, perRecord / ticksPerRecord_,
                          timeDecimalsFor(static_cast<double>(perRecord) / header_.recordDuration), &times});
    }
}

std::optional<std::size_t> EdfReader::rateOf(std::size_t channel) const {
    const auto found = std::ranges::find(rateSamplesPerRecord_, dataSignals_.at(channel).samplesPerRecord);
    if (found == rateSamplesPerRecord_.end()) return std::nullopt;
    return static_cast<std::size_t>(found - rateSamplesPerRecord_.begin());
}

RunLayout EdfReader::layout() const {
    if (ticksPerRecord_ == 0) return {};  // no signals, so no runs
    RunLayout layout{header_.recordDuration / static_cast<double>(ticksPerRecord_), {}};
    for (std::size_t record = 0; record < header_.recordCount; ++record) {
        if (startsRun_[record]) {
            layout.runs.push_back({record * ticksPerRecord_, ticksPerRecord_});
        } else {
            layout.runs.back().rowCount += ticksPerRecord_;
        }
    }
    return layout;
}

void EdfReader::RecordTimes::readTimes(std::size_t firstRow, std::span<double> times) const {
    for (std::size_t index = 0; index < times.size(); ++index) {
        const std::size_t row = firstRow + index;
        const std::size_t record = row / samplesPerRecord_;
        times[index] = onsets_.at(record) + static_cast<double>(row % samplesPerRecord_) * sampleInterval_;
    }
}

void EdfReader::readStored(std::size_t channel, std::size_t firstRow, std::span<float> values) const {
    const std::size_t samplesPerRecord = dataSignals_.at(channel).samplesPerRecord;
    const std::size_t bytesPerSample = header_.is24Bit ? 3 : 2;
    // A power of two: dividing by it is exact.
    const auto inverseBase = 1.0 / static_cast<double>(recording_.scalings.at(channel).baseFactor);
    std::vector<unsigned char> bytes;
    for (std::size_t done = 0; done < values.size();) {
        const std::size_t row = firstRow + done;
        const std::size_t record = row / samplesPerRecord;
        const std::size_t sample = row % samplesPerRecord;
        const std::size_t count = std::min(samplesPerRecord - sample, values.size() - done);
        if (record >= header_.recordCount) throw std::out_of_range("rows past the end of " + file_.string());
        const auto offset = static_cast<off_t>(header_.headerBytes + record * static_cast<uint64_t>(header_.bytesPerRecord) +
                                               signalOffsets_[channel] + sample * bytesPerSample);
        bytes.resize(count * bytesPerSample);
        if (refhost::readFullyAt(descriptor_, bytes.data(), bytes.size(), offset) != static_cast<ssize_t>(bytes.size())) {
            throw InputError(file_, 0, fmt::format("data record {} cannot be read", record + 1));
        }
        for (std::size_t index = 0; index < count; ++index) {
            values[done + index] =
                static_cast<float>(digitalValue(bytes.data() + index * bytesPerSample, bytesPerSample) * inverseBase);
        }
        done += count;
    }
}

// Each record's onset is read from its own time-keeping annotation, as the file writes it: the
// library's time stamps are rounded to 1/2^32 of a day. A record that does not start where the one
// before ended starts a run; records that follow on are timed from their run's first, so the
// times stay exact however long the run. A plain EDF or BDF keeps no onsets: its records follow
// one another from the header's start.
void EdfReader::readRecordOnsets() {
    onsets_.resize(header_.recordCount);
    startsRun_.assign(header_.recordCount, false);
    if (!header_.isPlus) {
        for (std::size_t record = 0; record < header_.recordCount; ++record) {
            onsets_[record] = header_.recordDuration * static_cast<double>(record);
        }
        if (!startsRun_.empty()) startsRun_.front() = true;
        return;
    }
    const auto annotations = std::ranges::find_if(header_.signals, &SignalHeader::isAnnotations);
    if (annotations == header_.signals.end()) throw InputError(file_, 0, "is EDF+ or BDF+ but has no annotation signal");
    std::size_t annotationOffset = 0;
    for (auto signal = header_.signals.begin(); signal != annotations; ++signal) {
        annotationOffset += signal->samplesPerRecord * (header_.is24Bit ? 3 : 2);
    }
    std::string annotation;
    const auto writtenOnset = [&](std::size_t record) {
        annotation.resize(std::min<std::size_t>(64, annotations->samplesPerRecord * (header_.is24Bit ? 3 : 2)));
        const auto offset = static_cast<off_t>(header_.headerBytes + record * static_cast<uint64_t>(header_.bytesPerRecord) + annotationOffset);
        if (refhost::readFullyAt(descriptor_, annotation.data(), annotation.size(), offset) != static_cast<ssize_t>(annotation.size())) {
            throw InputError(file_, 0, fmt::format("data record {} cannot be read", record + 1));
        }
        const std::optional<double> written = timeKeepingOnset(annotation);
        if (!written) throw InputError(file_, 0, fmt::format("data record {} does not begin with its onset", record + 1));
        return *written;
    };
    // The first record's onset within its second is the start's fraction of a second.
    if (header_.recordCount > 0) {
        const double first = writtenOnset(0);
        if (first > 0 && first < 1) recording_.start.fraction = first;
    }
    // Records of annotations alone hold no samples, so they make no runs.
    if (dataSignals_.empty()) {
        onsets_.clear();
        startsRun_.clear();
        return;
    }
    // Record onsets are told apart to half a sample of the fastest signal.
    std::size_t mostPerRecord = 0;
    for (const SignalHeader& signal : dataSignals_) mostPerRecord = std::max(mostPerRecord, signal.samplesPerRecord);
    const double tolerance = 0.5 * header_.recordDuration / static_cast<double>(mostPerRecord);
    std::size_t runFirst = 0;
    for (std::size_t record = 0; record < header_.recordCount; ++record) {
        const double following = onsets_[runFirst] + header_.recordDuration * static_cast<double>(record - runFirst);
        const double onset = writtenOnset(record);
        if (record == 0 || std::fabs(onset - following) > tolerance) {
            if (record > 0 && onset < following) {
                throw InputError(file_, 0, fmt::format("data record {} starts at {} s, before the end of the record "
                                                       "before it ({} s)",
                                                       record + 1, onset, following));
            }
            onsets_[record] = record == 0 && std::fabs(onset) <= tolerance ? 0.0 : onset;
            startsRun_[record] = true;
            runFirst = record;
        } else {
            onsets_[record] = following;
        }
    }
}

void EdfReader::describeChannels() {
    recording_.table.file = file_;
    recording_.table.timeHeader = "Time (s)";
    for (const SignalHeader& signal : dataSignals_) {
        recording_.channelRates.push_back(static_cast<double>(signal.samplesPerRecord) / header_.recordDuration);
        recording_.samplesPerRecord.push_back(signal.samplesPerRecord);
        const sg::ChannelScaling scaling = scalingOf(signal);
        recording_.table.channels.push_back(
            {signal.label, signal.units, std::max(std::fabs(signal.physicalMinimum), std::fabs(signal.physicalMaximum)),
             scaling.decimals});
        recording_.scalings.push_back(scaling);
        recording_.ranges.push_back(
            {signal.physicalMinimum, signal.physicalMaximum, signal.digitalMinimum, signal.digitalMaximum});
    }
}

}  // namespace sgf
