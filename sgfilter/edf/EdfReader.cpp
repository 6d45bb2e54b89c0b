#include "edf/EdfReader.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numeric>
#include <optional>
#include <string>

#include "edf/EdfAnnotationSignal.h"
#include "input/DigitalScaling.h"
#include "io/StandardInput.h"
#include "refhost/UnlinkedFile.h"
#include "util/Errors.h"

namespace sgf {

namespace {

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

sg::ChannelScaling scalingOf(const SignalHeader& signal) {
    const double largest = std::max(std::fabs(signal.digitalMinimum), std::fabs(signal.digitalMaximum));
    const double factor = (signal.physicalMaximum - signal.physicalMinimum) / (signal.digitalMaximum - signal.digitalMinimum);
    const double offset = signal.physicalMinimum - signal.digitalMinimum * factor;
    return digitalScaling(largest, factor, offset, signal.units);
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

std::string formatNameOf(const EdfHeader& header) { return header.is24Bit ? "BDF" : "EDF"; }

}  // namespace

EdfReader::EdfReader(const std::filesystem::path& file, const std::filesystem::path& spoolFolder) : file_(file) {
    descriptor_ = file == "-" ? spoolStandardInput(spoolFolder) : openForReading(file);
    try {
        // The header check opens files by name; a copy of standard input has only its descriptor's.
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
        const bool hasAnnotations = std::ranges::any_of(header_.signals, &SignalHeader::isAnnotations);
        if (dataSignals_.empty() && !hasAnnotations) throw InputError(file_, 0, "holds no signals");
        description_.file = file_;
        description_.format = formatNameOf(header_);
        description_.start = header_.start;
        describeChannels();
        readAnnotationSignals();
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
    tickRate_ = static_cast<double>(ticksPerRecord_) / header_.recordDuration;
    rateTimes_.clear();
    rates_.clear();
    rateTimes_.reserve(rateSamplesPerRecord_.size());  // the rates point at them
    for (const std::size_t perRecord : rateSamplesPerRecord_) {
        const double interval = header_.recordDuration / static_cast<double>(perRecord);
        const RecordTimes& times = rateTimes_.emplace_back(onsets_, perRecord, interval);
        rates_.push_back({interval, perRecord / ticksPerRecord_,
                          timeDecimalsFor(static_cast<double>(perRecord) / header_.recordDuration), &times});
    }
    channelRates_.clear();
    for (const SignalHeader& signal : dataSignals_) {
        const auto found = std::ranges::find(rateSamplesPerRecord_, signal.samplesPerRecord);
        channelRates_.push_back(found == rateSamplesPerRecord_.end()
                                    ? std::nullopt
                                    : std::optional(static_cast<std::size_t>(found - rateSamplesPerRecord_.begin())));
    }
    layout_ = runLayout();
}

RunLayout EdfReader::runLayout() const {
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
    const auto inverseBase = 1.0 / static_cast<double>(description_.channels.at(channel).scaling.baseFactor);
    const auto floatInverseBase = static_cast<float>(inverseBase);
    // Far enough from float's ends that no product of 16 bits by it is rounded.
    const bool inverseBaseInFloat = floatInverseBase == inverseBase && inverseBase >= 0x1p-100 && inverseBase <= 0x1p100;
    if (values.empty()) return;
    const Records asked{firstRow / samplesPerRecord, (firstRow + values.size() - 1) / samplesPerRecord + 1};
    if (asked.end > header_.recordCount) throw std::out_of_range("rows past the end of " + file_.string());
    const bool held = held_.first <= asked.first && asked.end <= held_.end;
    if (!held && channel != lastChannel_ && asked.first == lastAsked_.first && asked.end == lastAsked_.end) holdRecords(asked);
    lastAsked_ = asked;
    lastChannel_ = channel;
    std::vector<unsigned char> bytes;
    for (std::size_t done = 0; done < values.size();) {
        const std::size_t row = firstRow + done;
        const std::size_t record = row / samplesPerRecord;
        const std::size_t sample = row % samplesPerRecord;
        const std::size_t count = std::min(samplesPerRecord - sample, values.size() - done);
        const std::size_t inRecord = signalOffsets_[channel] + sample * bytesPerSample;
        const unsigned char* read = nullptr;
        if (held_.first <= record && record < held_.end) {
            read = heldBytes_.data() + (record - held_.first) * header_.bytesPerRecord + inRecord;
        } else {
            const auto offset = static_cast<off_t>(header_.headerBytes + record * static_cast<uint64_t>(header_.bytesPerRecord) + inRecord);
            bytes.resize(count * bytesPerSample);
            if (refhost::readFullyAt(descriptor_, bytes.data(), bytes.size(), offset) != static_cast<ssize_t>(bytes.size())) {
                throw InputError(file_, 0, fmt::format("data record {} cannot be read", record + 1));
            }
            read = bytes.data();
        }
        float* const out = values.data() + done;
        if (bytesPerSample == 2 && inverseBaseInFloat) {
            // EDF's common case four lanes at a time. The exact product of 16 bits and float's 24
            // fits in double, so double's product rounded to float and float's own product are
            // one rounding of one number: the same bits.
            for (std::size_t index = 0; index < count; ++index) {
                int16_t digital = 0;
                std::memcpy(&digital, read + 2 * index, 2);
                out[index] = static_cast<float>(digital) * floatInverseBase;
            }
        } else {
            for (std::size_t index = 0; index < count; ++index) {
                out[index] = static_cast<float>(digitalValue(read + index * bytesPerSample, bytesPerSample) * inverseBase);
            }
        }
        done += count;
    }
}

void EdfReader::holdRecords(Records records) const {
    // As many records as a view's block of a few seconds spans, with room for many channels.
    constexpr std::size_t kMostHeldBytes = std::size_t{16} << 20;
    const std::size_t size = (records.end - records.first) * header_.bytesPerRecord;
    if (size > kMostHeldBytes) return;
    held_ = {};
    heldBytes_.resize(size);
    const auto offset = static_cast<off_t>(header_.headerBytes + records.first * static_cast<uint64_t>(header_.bytesPerRecord));
    if (refhost::readFullyAt(descriptor_, heldBytes_.data(), size, offset) != static_cast<ssize_t>(size)) {
        throw InputError(file_, 0, fmt::format("data records {} to {} cannot be read", records.first + 1, records.end));
    }
    held_ = records;
}

// Every record's annotation signals are read for their TALs. In EDF+ and BDF+ each record's onset
// comes from its own time-keeping TAL, as the file writes it. A record that does not start where
// the one before ended starts a run; records that follow on are timed from their run's first, so
// the times stay exact however long the run. A plain EDF or BDF keeps no onsets: its records
// follow one another from the header's start.
void EdfReader::readAnnotationSignals() {
    const std::size_t bytesPerSample = header_.is24Bit ? 3 : 2;
    struct Span {
        std::size_t offset, size;
    };
    std::vector<Span> annotationSignals;
    std::size_t offset = 0;
    for (const SignalHeader& signal : header_.signals) {
        if (signal.isAnnotations) annotationSignals.push_back({offset, signal.samplesPerRecord * bytesPerSample});
        offset += signal.samplesPerRecord * bytesPerSample;
    }
    if (header_.isPlus && annotationSignals.empty()) throw InputError(file_, 0, "is EDF+ or BDF+ but has no annotation signal");
    std::vector<double> written(header_.recordCount, 0.0);
    std::string bytes;
    const auto annotationsAt = [&](std::size_t record, std::size_t signal) {
        return static_cast<off_t>(header_.headerBytes + record * static_cast<uint64_t>(header_.bytesPerRecord) +
                                  annotationSignals[signal].offset);
    };
    // Only the annotation signals' bytes are read, a few in every record: the disk is asked for
    // them many at a time, ahead of the reading, and for nothing around them.
    ::posix_fadvise(descriptor_, 0, 0, POSIX_FADV_RANDOM);
    constexpr std::size_t kRecordsAhead = 512;
    std::size_t announced = 0;
    for (std::size_t record = 0; record < header_.recordCount && !annotationSignals.empty(); ++record) {
        for (; announced < std::min(header_.recordCount, record + kRecordsAhead); ++announced) {
            for (std::size_t signal = 0; signal < annotationSignals.size(); ++signal) {
                ::posix_fadvise(descriptor_, annotationsAt(announced, signal),
                                static_cast<off_t>(annotationSignals[signal].size), POSIX_FADV_WILLNEED);
            }
        }
        for (std::size_t signal = 0; signal < annotationSignals.size(); ++signal) {
            bytes.resize(annotationSignals[signal].size);
            if (refhost::readFullyAt(descriptor_, bytes.data(), bytes.size(), annotationsAt(record, signal)) !=
                static_cast<ssize_t>(bytes.size())) {
                throw InputError(file_, 0, fmt::format("data record {} cannot be read", record + 1));
            }
            std::optional<RecordTals> tals = readRecordTals(bytes);
            const bool keepsTime = header_.isPlus && signal == 0;
            if (keepsTime && (!tals || !tals->timeKeepingOnset)) {
                throw InputError(file_, 0, fmt::format("data record {} does not begin with its onset", record + 1));
            }
            if (!tals) throw InputError(file_, 0, fmt::format("data record {}: its annotations cannot be read", record + 1));
            if (keepsTime) written[record] = *tals->timeKeepingOnset;
            for (Annotation& annotation : tals->annotations) description_.annotations.push_back(std::move(annotation));
        }
    }
    // The samples are read in order, where reading ahead pays.
    ::posix_fadvise(descriptor_, 0, 0, POSIX_FADV_NORMAL);
    if (!header_.isPlus) {
        for (const SignalHeader& signal : header_.signals) {
            if (signal.isAnnotations) {
                description_.notes.push_back(fmt::format("signal \"{}\" holds annotations, read as such; the records "
                                                         "follow one another, as in any {}",
                                                         signal.label, formatNameOf(header_)));
            }
        }
    }
    onsets_.resize(header_.recordCount);
    startsRun_.assign(header_.recordCount, false);
    if (!header_.isPlus) {
        for (std::size_t record = 0; record < header_.recordCount; ++record) {
            onsets_[record] = header_.recordDuration * static_cast<double>(record);
        }
        if (!startsRun_.empty()) startsRun_.front() = true;
        return;
    }
    // The first record's onset within its second is the start's fraction of a second.
    if (header_.recordCount > 0 && written[0] > 0 && written[0] < 1) description_.start->fraction = written[0];
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
        const double onset = written[record];
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
    for (const SignalHeader& signal : dataSignals_) {
        const sg::ChannelScaling scaling = scalingOf(signal);
        description_.channels.push_back(
            {signal.label, signal.units, static_cast<double>(signal.samplesPerRecord) / header_.recordDuration,
             header_.recordCount * signal.samplesPerRecord, scaling, static_cast<double>(scaling.factor),
             SignalRange{signal.physicalMinimum, signal.physicalMaximum, signal.digitalMinimum, signal.digitalMaximum},
             header_.is24Bit ? 24 : 16});
    }
}

}  // namespace sgf
