// Reads an EDF, EDF+, BDF or BDF+ recording, continuous or not, where it lies: the file is
// block-structured, so the host pages the samples of its data records straight from it, and the
// time of every row follows from the records' onsets. BioSig, which (unlike EDFlib) opens
// discontinuous files, gives the annotations of EDF+ and BDF+ (a plain EDF or BDF has none); the
// samples and each record's onset are decoded from the checked header's layout. An EDF+ file of
// annotations alone has no channels and no runs. A data record that does not start where the one
// before ended starts a new run, so no filter window reaches across a pause of the recorder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "csv/RunLayout.h"
#include "edf/EdfHeaderCheck.h"
#include "edf/EdfRecording.h"
#include "input/RowsAtRate.h"

namespace sgf {

class EdfReader final {
public:
    // "-" reads standard input, which is first copied to a temporary file in `spoolFolder` (a
    // stream cannot be paged). Throws InputError naming the file for a damaged header or records.
    explicit EdfReader(const std::filesystem::path& file, const std::filesystem::path& spoolFolder);
    ~EdfReader();
    EdfReader(const EdfReader&) = delete;
    EdfReader& operator=(const EdfReader&) = delete;

    const EdfRecording& recording() const { return recording_; }
    // The rates read (none for a file without signals) are those of channels `channels` (from 0), in the order they first come
    // there: the first signal's until told otherwise. A data record holds a whole number of ticks.
    void chooseRates(std::span<const std::size_t> channels);
    const std::vector<RowsAtRate>& rates() const { return rates_; }
    // Which of the rates read channel `channel` is recorded at; nothing for another rate.
    std::optional<std::size_t> rateOf(std::size_t channel) const;
    // Runs of whole data records, in ticks; none without signals.
    RunLayout layout() const;
    // Channel `channel`'s stored values (digital value over the scaling's base factor, exact in
    // float32) of its own samples `firstRow` on.
    void readStored(std::size_t channel, std::size_t firstRow, std::span<float> values) const;

private:
    // Each row's time from its data record's onset.
    class RecordTimes final : public RowTimes {
    public:
        RecordTimes(const std::vector<double>& onsets, std::size_t samplesPerRecord, double sampleInterval)
            : onsets_(onsets), samplesPerRecord_(samplesPerRecord), sampleInterval_(sampleInterval) {}
        void readTimes(std::size_t firstRow, std::span<double> times) const override;

    private:
        const std::vector<double>& onsets_;
        std::size_t samplesPerRecord_;
        double sampleInterval_;
    };

    void describeChannels();
    void readRecordOnsets();

    std::filesystem::path file_;  // as the user named it
    int descriptor_ = -1;
    EdfHeader header_;
    std::vector<SignalHeader> dataSignals_;
    std::vector<std::size_t> signalOffsets_;  // bytes into a data record, per channel
    EdfRecording recording_;
    std::vector<double> onsets_;
    std::vector<bool> startsRun_;
    std::vector<std::size_t> rateSamplesPerRecord_;  // of the rates read
    std::size_t ticksPerRecord_ = 0;
    std::vector<RecordTimes> rateTimes_;
    std::vector<RowsAtRate> rates_;
};

}  // namespace sgf
