// Writes computed channels as EDF+ (16-bit) or BDF+ (24-bit) through EDFlib, one data record at a
// time, with the input's start date and time and its annotations. Like every output, the file
// appears complete at commit() or not at all.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "edf/EdfRecording.h"
#include "recording/ResultWriter.h"
#include "recording/Scalings.h"

namespace sgf {

struct EdfSignal {
    std::string label;
    std::string units;  // at most 8 characters
    UnitsConversion conversion;
    // The physical values at the format's digital minimum and maximum.
    double physicalMinimum, physicalMaximum;
};

class EdfWriter final : public ResultWriter {
public:
    // Throws UsageError when the rows cannot be cut into whole data records of 1 ms to 60 s, and
    // std::runtime_error naming the file when EDFlib refuses it.
    EdfWriter(std::filesystem::path destination, bool is24Bit, std::vector<EdfSignal> signals, double sampleRate,
              std::size_t rowCount, const StartDateTime& start, const std::vector<Annotation>& annotations);
    ~EdfWriter() override;
    EdfWriter(const EdfWriter&) = delete;
    EdfWriter& operator=(const EdfWriter&) = delete;

    void writeRows(std::span<const double> times, std::span<const std::span<const float>> columns) override;
    void finish() override {}
    // Closes the file and puts it in place.
    void commit();
    std::size_t samplesPerRecord() const { return samplesPerRecord_; }

private:
    [[noreturn]] void fail(const std::string& what) const;
    void writeRecord();

    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    std::vector<EdfSignal> signals_;
    int handle_ = -1;
    std::size_t samplesPerRecord_ = 0;
    std::vector<std::vector<double>> record_;
    std::size_t filled_ = 0;
};

// A unit text as EDF readers show it, within the header's 8 characters: "mmHg.ms^-1_" becomes
// "mmHg/ms".
std::string shortUnits(const std::string& units);

}  // namespace sgf
