// Reads an EDF, EDF+, BDF or BDF+ recording, continuous or not, where it lies: the file is
// block-structured, so the host pages the samples of its data records straight from it, and the
// time of every row follows from the records' onsets. The samples, each record's onset and the
// annotations are decoded from the checked header's layout; an annotation signal in a plain EDF
// or BDF gives its annotations too, its records following one another all the same. An EDF+ file
// of annotations alone has no channels and no runs. A data record that does not start where the
// one before ended starts a new run, so no filter window reaches across a pause of the recorder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "edf/EdfHeaderCheck.h"
#include "input/InputRecording.h"

namespace sgf {

class EdfReader final : public InputRecording {
public:
    // "-" reads standard input, which is first copied to a temporary file in `spoolFolder` (a
    // stream cannot be paged). Throws InputError naming the file for a damaged header or records.
    explicit EdfReader(const std::filesystem::path& file, const std::filesystem::path& spoolFolder);
    ~EdfReader() override;
    EdfReader(const EdfReader&) = delete;
    EdfReader& operator=(const EdfReader&) = delete;

    // The rates read (none for a file without signals) are those of channels `channels` (from 0),
    // in the order they first come there: the first signal's until told otherwise. A data record
    // holds a whole number of ticks. Every channel at one of them is paged.
    void chooseRates(std::span<const std::size_t> channels);
    // Channel `channel`'s stored values (digital value over the scaling's base factor, exact in
    // float32) of its own samples `firstRow` on. Not for several threads at once: it keeps the
    // records it read last.
    void readStored(std::size_t channel, std::size_t firstRow, std::span<float> values) const override;

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

    struct Records {
        std::size_t first = 0;
        std::size_t end = 0;  // one past the last
    };

    void describeChannels();
    void readAnnotationSignals();
    RunLayout runLayout() const;
    void holdRecords(Records records) const;

    std::filesystem::path file_;  // as the user named it
    int descriptor_ = -1;
    EdfHeader header_;
    std::vector<SignalHeader> dataSignals_;
    std::vector<std::size_t> signalOffsets_;  // bytes into a data record, per channel
    std::vector<double> onsets_;
    std::vector<bool> startsRun_;
    std::vector<std::size_t> rateSamplesPerRecord_;  // of the rates read
    std::size_t ticksPerRecord_ = 0;
    std::vector<RecordTimes> rateTimes_;
    // A caller that reads each channel of a stretch in turn (the view summarises a block's channels
    // one after another) reads the file once rather than once per channel: the second channel
    // asked of the same records has them read whole, and the channels after it come from memory.
    // One channel read on its own, however often, reads only its own bytes.
    mutable Records lastAsked_;
    mutable std::size_t lastChannel_ = 0;
    mutable Records held_;
    mutable std::vector<unsigned char> heldBytes_;
};

}  // namespace sgf
