// Reads an EDF, EDF+, BDF or BDF+ recording, continuous or not, where it lies: the file is
// block-structured, so the host pages the samples of its data records straight from it, and the
// time of every row follows from the records' onsets. BioSig, which (unlike EDFlib) opens
// discontinuous files, gives the annotations; the samples and each record's onset are decoded from
// the checked header's layout. A data record that does not start where the one
// before ended starts a new run, so no filter window reaches across a pause of the recorder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <vector>

#include "csv/RunLayout.h"
#include "edf/EdfHeaderCheck.h"
#include "edf/EdfRecording.h"
#include "recording/RowTimes.h"

namespace sgf {

class EdfReader final : public RowTimes {
public:
    // "-" reads standard input, which is first copied to a temporary file in `spoolFolder` (a
    // stream cannot be paged). Throws InputError naming the file for a damaged header or records.
    explicit EdfReader(const std::filesystem::path& file, const std::filesystem::path& spoolFolder);
    ~EdfReader() override;
    EdfReader(const EdfReader&) = delete;
    EdfReader& operator=(const EdfReader&) = delete;

    const EdfRecording& recording() const { return recording_; }
    // The rows are the samples of the signals at channel `channel`'s rate (channels from 0): the
    // first signal's until told otherwise. The recording's rate, row count and time decimals
    // follow.
    void chooseRowsOf(std::size_t channel);
    bool sharesRows(std::size_t channel) const;
    // Runs of whole data records, at the interval of the rows.
    RunLayout layout() const;
    void readTimes(std::size_t firstRow, std::span<double> times) const override;
    // Channel `channel`'s stored values (digital value over the scaling's base factor, exact in
    // float32) of rows `firstRow` on; the channel must share the rows.
    void readStored(std::size_t channel, std::size_t firstRow, std::span<float> values) const;

private:
    void describeChannels();
    void readRecordOnsets();

    std::filesystem::path file_;  // as the user named it
    int descriptor_ = -1;
    EdfHeader header_;
    std::vector<SignalHeader> dataSignals_;
    std::vector<std::size_t> signalOffsets_;  // bytes into a data record, per channel
    std::size_t samplesPerRecord_ = 0;  // of the rows
    double sampleInterval_ = 0.0;
    double onsetTolerance_ = 0.0;
    EdfRecording recording_;
    std::vector<double> onsets_;
    std::vector<bool> startsRun_;
};

}  // namespace sgf
