#include "edf/EdfPlusWriter.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "edf/EdfPlusNumbers.h"

namespace sgf {

namespace {

std::vector<std::size_t> runLengthsOf(const std::vector<EdfPlusRun>& runs) {
    std::vector<std::size_t> lengths;
    for (const EdfPlusRun& run : runs) lengths.push_back(run.ticks);
    return lengths;
}

std::size_t ticksCoveredBy(std::span<const std::span<const double>> written, const std::vector<EdfPlusSignal>& signals) {
    if (written.size() != signals.size()) {
        throw std::logic_error(fmt::format("{} signals written to an EDF file of {}", written.size(), signals.size()));
    }
    if (signals.empty()) return 0;
    const std::size_t ticks = written.front().size() / signals.front().samplesPerTick;
    for (std::size_t signal = 0; signal < signals.size(); ++signal) {
        if (written[signal].size() != ticks * signals[signal].samplesPerTick) {
            throw std::logic_error(fmt::format("EDF signal {} given {} samples where {} ticks of {} samples each were due",
                                               signal, written[signal].size(), ticks, signals[signal].samplesPerTick));
        }
    }
    return ticks;
}

}  // namespace

EdfPlusWriter::EdfPlusWriter(AtomicOutputFile& file, EdfPlusContents contents)
    : writer_(file), contents_(std::move(contents)), annotations_(contents_.annotations),
      bytesPerSample_(contents_.is24Bit ? 3 : 2) {
    std::erase_if(contents_.runs, [](const EdfPlusRun& run) { return run.ticks == 0; });
    const std::vector<std::size_t> lengths = runLengthsOf(contents_.runs);
    layout_.size = edfPlusRecordSizeFor(contents_.tickRate, lengths);
    layout_.recordCount = 0;
    for (const std::size_t length : lengths) layout_.recordCount += length / layout_.size.ticks;
    for (const EdfPlusRun& run : contents_.runs) runOnsets_.push_back(nanosecondsOf(run.onset));

    std::vector<WrittenPhysicalRange> ranges;
    recordOffsets_.push_back(0);
    for (const EdfPlusSignal& signal : contents_.signals) {
        if (signal.samplesPerTick == 0) {
            throw std::logic_error(fmt::format("EDF signal \"{}\" has no samples per tick", signal.label));
        }
        recordOffsets_.push_back(recordOffsets_.back() + layout_.size.ticks * signal.samplesPerTick);
        const WrittenPhysicalRange& range = ranges.emplace_back(writtenPhysicalRangeOf(signal));
        const double digitalMinimum = signal.digitalMinimum;
        const double digitalMaximum = signal.digitalMaximum;
        codings_.push_back({range.minimum, (digitalMaximum - digitalMinimum) / (range.maximum - range.minimum),
                            digitalMinimum, digitalMaximum});
    }

    // The annotation signal is as long as the record with the most annotation text needs.
    RecordAnnotations sizing(contents_.annotations);
    std::size_t mostBytes = 0;
    for (std::size_t run = 0; run < contents_.runs.size(); ++run) {
        for (std::size_t record = 0; record < lengths[run] / layout_.size.ticks; ++record) {
            mostBytes = std::max(mostBytes, sizing.next(onsetOf({run, record}), onsetAfter({run, record})).size());
        }
    }
    layout_.annotationSamples = (mostBytes + bytesPerSample_ - 1) / bytesPerSample_;

    writer_.append(edfPlusHeader(contents_, ranges, layout_));
    record_.assign((recordOffsets_.back() + layout_.annotationSamples) * bytesPerSample_, '\0');
}

int64_t EdfPlusWriter::onsetOf(RecordPosition position) const {
    return runOnsets_[position.run] + static_cast<int64_t>(position.record) * layout_.size.nanoseconds;
}

std::optional<int64_t> EdfPlusWriter::onsetAfter(RecordPosition position) const {
    if ((position.record + 1) * layout_.size.ticks < contents_.runs[position.run].ticks) {
        return onsetOf({position.run, position.record + 1});
    }
    if (position.run + 1 < contents_.runs.size()) return onsetOf({position.run + 1, 0});
    return std::nullopt;
}

void EdfPlusWriter::write(std::span<const std::span<const double>> signals) {
    const std::size_t ticks = ticksCoveredBy(signals, contents_.signals);
    const std::size_t perRecord = layout_.size.ticks;
    for (std::size_t done = 0; done < ticks;) {
        if (recordsWritten_ == layout_.recordCount) throw std::logic_error("more samples than the runs of data hold");
        const std::size_t count = std::min(perRecord - filled_, ticks - done);
        for (std::size_t signal = 0; signal < codings_.size(); ++signal) {
            const std::size_t perTick = contents_.signals[signal].samplesPerTick;
            char* out = record_.data() + (recordOffsets_[signal] + filled_ * perTick) * bytesPerSample_;
            const std::span<const double> values = signals[signal].subspan(done * perTick, count * perTick);
            const std::optional<std::size_t> refused = bytesPerSample_ == 3 ? pack<3>(codings_[signal], values, out)
                                                                             : pack<2>(codings_[signal], values, out);
            if (refused) refuse(signal, values[*refused]);
        }
        filled_ += count;
        done += count;
        if (filled_ == perRecord) writeRecord();
    }
}

template <std::size_t Bytes>
std::optional<std::size_t> EdfPlusWriter::pack(const Coding& coding, std::span<const double> values, char* out) {
    // Copies, so that the writes through `out` do not make the loop read them again.
    const double physicalMinimum = coding.physicalMinimum;
    const double digitsPerUnit = coding.digitsPerUnit;
    const double digitalMinimum = coding.digitalMinimum;
    const double digitalMaximum = coding.digitalMaximum;
    // Within half a step of an end the nearest digital value is that end; further out (or NaN)
    // no digital value stands for it.
    const double lowestWritable = digitalMinimum - 0.5;
    const double highestWritable = digitalMaximum + 0.5;
    const auto isWritable = [&](double digital) { return digital >= lowestWritable && digital <= highestWritable; };
    // No branch in the loop: an unwritable value is noted, and looked for only when there is one.
    // Clamped this way a NaN becomes the minimum, so its conversion to an integer stays defined.
    bool unwritable = false;
    for (std::size_t index = 0; index < values.size(); ++index) {
        const double digital = (values[index] - physicalMinimum) * digitsPerUnit + digitalMinimum;
        unwritable |= !isWritable(digital);
        const double clamped = std::max(digitalMinimum, std::min(digital, digitalMaximum));
        const auto word = static_cast<uint32_t>(static_cast<int32_t>(clamped + (clamped < 0 ? -0.5 : 0.5)));
        // Little-endian, whatever the processor's order.
        for (std::size_t byte = 0; byte < Bytes; ++byte) out[index * Bytes + byte] = static_cast<char>(word >> (8 * byte));
    }
    if (!unwritable) return std::nullopt;
    const auto refused = std::ranges::find_if(values, [&](double value) {
        return !isWritable((value - physicalMinimum) * digitsPerUnit + digitalMinimum);
    });
    return static_cast<std::size_t>(refused - values.begin());
}

void EdfPlusWriter::refuse(std::size_t signal, double value) const {
    const EdfPlusSignal& refused = contents_.signals[signal];
    const Coding& coding = codings_[signal];
    const double physicalMaximum = coding.physicalMinimum + (coding.digitalMaximum - coding.digitalMinimum) / coding.digitsPerUnit;
    throw std::runtime_error(fmt::format("signal \"{}\": the value {} {} lies outside the physical range {} to {} {} "
                                         "of its header and cannot be written",
                                         refused.label, value, refused.units, coding.physicalMinimum, physicalMaximum,
                                         refused.units));
}

void EdfPlusWriter::writeRecord() {
    const std::string text = annotations_.next(onsetOf(next_), onsetAfter(next_));
    char* slot = record_.data() + recordOffsets_.back() * bytesPerSample_;
    std::memset(slot, 0, layout_.annotationSamples * bytesPerSample_);
    std::memcpy(slot, text.data(), text.size());
    writer_.append(record_);
    filled_ = 0;
    ++recordsWritten_;
    if (++next_.record * layout_.size.ticks == contents_.runs[next_.run].ticks) next_ = {next_.run + 1, 0};
}

void EdfPlusWriter::finish() {
    if (recordsWritten_ != layout_.recordCount || filled_ != 0) {
        throw std::logic_error(fmt::format("{} of {} EDF data records written", recordsWritten_, layout_.recordCount));
    }
    writer_.flush();
}

}  // namespace sgf
