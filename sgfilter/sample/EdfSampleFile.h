// Writes a synthetic recording as EDF+D or BDF+D, data record by data record. EDFlib, which
// sgfilter writes its outputs with, writes continuous files only; the sample must pause as
// recorders do, so its records and their time-keeping annotations are written here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "io/AtomicOutputFile.h"
#include "io/BufferedWriter.h"

namespace sgf {

struct EdfSampleSignal {
    std::string label;
    std::string units;
    double physicalMinimum, physicalMaximum;
};

class EdfSampleFile {
public:
    EdfSampleFile(AtomicOutputFile& file, bool is24Bit, std::vector<EdfSampleSignal> signals, int samplesPerRecord,
                  std::size_t recordCount);
    // One data record of one second starting at `onsetSeconds`: each signal's samples in units.
    void writeRecord(int64_t onsetSeconds, std::span<const std::vector<double>> samples);
    void finish() { writer_.flush(); }

private:
    BufferedWriter writer_;
    bool is24Bit_;
    std::vector<EdfSampleSignal> signals_;
    int samplesPerRecord_;
};

}  // namespace sgf
