#include "edf/EdfReader.h"

#include <biosig.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>

#include "edf/EdfHeaderCheck.h"
#include "refhost/Scaling.h"
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

BiosigFile openWithBiosig(const std::filesystem::path& file) {
    HDRTYPE* hdr = constructHDR(0, 0);
    hdr = sopen(file.c_str(), "r", hdr);
    BiosigFile opened(hdr);
    if (serror2(hdr) != 0) {
        throw InputError(file, 0, fmt::format("cannot be read as EDF or BDF: {}", biosig_get_errormsg(hdr)));
    }
    return opened;
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
double digitalValue(const unsigned char* bytes, std::size_t size) {
    uint32_t word = 0;
    for (std::size_t byte = 0; byte < size; ++byte) word |= static_cast<uint32_t>(bytes[byte]) << (8 * byte);
    const uint32_t sign = uint32_t{1} << (8 * size - 1);
    return static_cast<double>(static_cast<int32_t>(word ^ sign) - static_cast<int32_t>(sign));
}

// The fewest decimals that write every sample time of the rate exactly, where there are any.
int timeDecimalsFor(double sampleRate) {
    for (int decimals = 0; decimals < 9; ++decimals) {
        const double steps = std::pow(10.0, decimals) / sampleRate;
        if (std::fabs(steps - std::round(steps)) < 1e-9) return decimals;
    }
    return 9;
}

class EdfInput {
public:
    explicit EdfInput(const std::filesystem::path& file)
        : file_(file), header_(checkEdfHeader(file)), biosig_(openWithBiosig(file)) {
        for (const SignalHeader& signal : header_.signals) {
            if (!signal.isAnnotations) dataSignals_.push_back(signal);
        }
        if (dataSignals_.empty()) throw InputError(file, 0, "holds no signal besides annotations");
        if (static_cast<std::size_t>(biosig_get_number_of_channels(biosig_.get())) != dataSignals_.size()) {
            throw InputError(file, 0, "its signals cannot be told apart from its annotations");
        }
        const std::size_t perRecord = dataSignals_.front().samplesPerRecord;
        for (const SignalHeader& signal : dataSignals_) {
            if (signal.samplesPerRecord != perRecord) {
                throw InputError(file, 0,
                                 fmt::format("signals \"{}\" ({} samples per record) and \"{}\" ({}) have different "
                                             "sample rates; sgfilter reads recordings whose signals share one rate",
                                             dataSignals_.front().label, perRecord, signal.label,
                                             signal.samplesPerRecord));
            }
        }
        samplesPerRecord_ = perRecord;
        recording_.sampleRate = static_cast<double>(perRecord) / header_.recordDuration;
        recording_.start = header_.start;
        describeChannels();
        readEvents();
    }

    const EdfRecording& recording() const { return recording_; }

    // The data records are decoded here from the header's layout, one record at a time: BioSig's
    // sread (2.5.0) reads past the end of its buffer on records beyond the first few dozen.
    void readSamples(RowSink& rows) {
        const std::size_t channelCount = dataSignals_.size();
        const std::size_t bytesPerSample = header_.is24Bit ? 3 : 2;
        std::vector<std::size_t> signalOffsets;
        std::size_t offset = 0;
        for (const SignalHeader& signal : header_.signals) {
            if (!signal.isAnnotations) signalOffsets.push_back(offset);
            offset += signal.samplesPerRecord * bytesPerSample;
        }
        std::vector<double> factors, offsets;
        for (const sg::ChannelScaling& scaling : recording_.scalings) {
            // Copies: the packed record's doubles are not aligned for a reference.
            factors.push_back(static_cast<double>(scaling.factor));
            offsets.push_back(static_cast<double>(scaling.offset));
        }
        std::ifstream in(file_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(header_.headerBytes));
        std::vector<unsigned char> record(header_.bytesPerRecord);
        std::vector<double> row(channelCount);
        const double interval = 1.0 / recording_.sampleRate;
        for (std::size_t r = 0; r < header_.recordCount; ++r) {
            if (!in.read(reinterpret_cast<char*>(record.data()), static_cast<std::streamsize>(record.size()))) {
                throw InputError(file_, 0, fmt::format("data record {} cannot be read", r + 1));
            }
            if (r > 0 && startsRun_[r]) rows.breakBeforeNextRow();
            for (std::size_t sample = 0; sample < samplesPerRecord_; ++sample) {
                for (std::size_t channel = 0; channel < channelCount; ++channel) {
                    const unsigned char* bytes = record.data() + signalOffsets[channel] + sample * bytesPerSample;
                    row[channel] = digitalValue(bytes, bytesPerSample) * factors[channel] + offsets[channel];
                }
                rows.row(onsets_[r] + static_cast<double>(sample) * interval, row);
            }
        }
    }

private:
    void describeChannels() {
        recording_.table.file = file_;
        recording_.table.timeHeader = "Time (s)";
        recording_.table.timeDecimals = timeDecimalsFor(recording_.sampleRate);
        recording_.table.rowCount = header_.recordCount * samplesPerRecord_;
        for (const SignalHeader& signal : dataSignals_) {
            const sg::ChannelScaling scaling = scalingOf(signal);
            recording_.table.channels.push_back(
                {signal.label, signal.units, std::max(std::fabs(signal.physicalMinimum), std::fabs(signal.physicalMaximum)),
                 scaling.decimals});
            recording_.scalings.push_back(scaling);
            recording_.ranges.push_back(
                {signal.physicalMinimum, signal.physicalMaximum, signal.digitalMinimum, signal.digitalMaximum});
        }
    }

    // The onset of every data record and the annotations. Records that follow on keep their
    // onsets exact: the library's time stamps are rounded to 1/2^32 of a day.
    void readEvents() {
        HDRTYPE* hdr = biosig_.get();
        const gdf_time start = biosig_get_startdatetime_gdf(hdr);
        const double eventRate = biosig_get_eventtable_samplerate(hdr);
        const double recordSpan = header_.recordDuration;
        const double tolerance = 0.5 / recording_.sampleRate;
        onsets_.resize(header_.recordCount);
        startsRun_.assign(header_.recordCount, false);
        for (std::size_t record = 0; record < header_.recordCount; ++record) onsets_[record] = recordSpan * static_cast<double>(record);
        const std::size_t events = biosig_get_number_of_events(hdr);
        std::size_t record = 0;
        for (std::size_t n = 0; n < events; ++n) {
            uint16_t type = 0, channel = 0;
            uint32_t position = 0, duration = 0;
            gdf_time stamp = 0;
            const char* text = nullptr;
            biosig_get_nth_event(hdr, n, &type, &position, &channel, &duration, &stamp, &text);
            const double seconds = static_cast<double>(stamp - start) / kGdfTicksPerSecond;
            if (type == kRecordOnsetEvent) {
                if (record >= header_.recordCount) break;
                const double expected = record == 0 ? 0.0 : onsets_[record - 1] + recordSpan;
                if (record == 0 || std::fabs(seconds - expected) > tolerance) {
                    if (record > 0 && seconds < expected) {
                        throw InputError(file_, 0, fmt::format("data record {} starts at {} s, before the end of the "
                                                               "record before it ({} s)",
                                                               record + 1, seconds, expected));
                    }
                    onsets_[record] = std::fabs(seconds) <= tolerance ? 0.0 : seconds;
                    startsRun_[record] = true;
                } else {
                    onsets_[record] = expected;
                }
                ++record;
            } else if (text != nullptr && *text != '\0') {
                recording_.annotations.push_back(
                    {seconds, eventRate > 0 ? static_cast<double>(duration) / eventRate : 0.0, text});
            }
        }
        if (header_.recordCount > 0) startsRun_[0] = true;
        // A continuous file carries no onsets: its records follow one another.
        if (record == 0) {
            for (std::size_t r = 1; r < header_.recordCount; ++r) startsRun_[r] = false;
        }
        recording_.runCount = static_cast<std::size_t>(std::ranges::count(startsRun_, true));
    }

    std::filesystem::path file_;
    EdfHeader header_;
    BiosigFile biosig_;
    std::vector<SignalHeader> dataSignals_;
    std::size_t samplesPerRecord_ = 0;
    EdfRecording recording_;
    std::vector<double> onsets_;
    std::vector<bool> startsRun_;
};

}  // namespace

EdfRecording readEdf(const std::filesystem::path& file, RowSink& rows,
                     const std::function<void(const CsvSummary&)>& checkHeader) {
    EdfInput input(file);
    if (checkHeader) checkHeader(input.recording().table);
    input.readSamples(rows);
    return input.recording();
}

EdfRecording readEdfHeader(const std::filesystem::path& file) { return EdfInput(file).recording(); }

}  // namespace sgf
