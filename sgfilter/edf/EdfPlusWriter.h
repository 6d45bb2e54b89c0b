// Writes an EDF+ or BDF+ file record by record: continuous (EDF+C, BDF+C) when the data is one run,
// discontinuous (EDF+D, BDF+D) when it pauses. Every data record lies within one run, starts where
// the record before it ended unless a pause comes between them, and says its onset in its first
// TAL; the annotations follow in the records' annotation signal. Memory holds one record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "edf/EdfPlusAnnotations.h"
#include "edf/EdfPlusContents.h"
#include "edf/EdfPlusHeader.h"
#include "io/AtomicOutputFile.h"
#include "io/BufferedWriter.h"

namespace sgf {

class EdfPlusWriter {
public:
    // Writes the header. Throws UsageError when the runs cannot be cut into whole data records or a
    // signal's physical range does not fit the header; std::logic_error when a signal has no samples
    // per tick.
    EdfPlusWriter(AtomicOutputFile& file, EdfPlusContents contents);

    // The next samples of every signal in units, one span per signal, all over the same whole ticks,
    // so each holds its signal's samples per tick for every tick; the runs' ticks one after another.
    // Throws std::runtime_error naming the signal and the value for a value more than half a digital
    // step beyond its physical range, or NaN; std::logic_error when the spans do not match the
    // signals in number or cover different ticks.
    void write(std::span<const std::span<const double>> signals);
    // Writes what is buffered; throws std::logic_error when the samples fell short of the runs.
    void finish();

private:
    // A signal's physical values to its digital ones, by the range as the header writes it.
    struct Coding {
        double physicalMinimum, digitsPerUnit, digitalMinimum, digitalMaximum;
    };
    struct RecordPosition {
        std::size_t run;
        std::size_t record;  // within the run
    };
    void writeRecord();
    // Writes `values` as `Bytes`-byte digital values from `out` on; the index of the first value
    // that has no digital value, which stops the packing.
    template <std::size_t Bytes>
    static std::optional<std::size_t> pack(const Coding& coding, std::span<const double> values, char* out);
    [[noreturn]] void refuse(std::size_t signal, double value) const;
    int64_t onsetOf(RecordPosition position) const;
    // The onset of the record after this one; nothing after the last.
    std::optional<int64_t> onsetAfter(RecordPosition position) const;

    BufferedWriter writer_;
    EdfPlusContents contents_;
    EdfPlusRecordLayout layout_;
    std::vector<Coding> codings_;
    // Where in a record each signal's samples start, counted in samples; the annotations start at the last.
    std::vector<std::size_t> recordOffsets_;
    std::vector<int64_t> runOnsets_;  // nanoseconds
    RecordAnnotations annotations_;
    std::size_t bytesPerSample_;
    std::string record_;
    std::size_t filled_ = 0;  // ticks in the record so far
    RecordPosition next_{0, 0};  // where the record being filled falls
    std::size_t recordsWritten_ = 0;
};

}  // namespace sgf
