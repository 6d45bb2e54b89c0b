// The rows of a recording as they were read, kept in two staging files (the times, and the rows
// of channel values) until the layout of the recording is known and the host takes the samples
// in blocks. Only the breaks between rows stay in memory.
#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <vector>

#include "staging/TimeColumn.h"
#include "input/RowTimes.h"
#include "staging/RowSink.h"
#include "staging/StagingFile.h"

namespace sgf {

class StagedRows final : public RowSink, public RowTimes {
public:
    explicit StagedRows(const std::filesystem::path& folder) : times_(folder), values_(folder) {}

    // Only the values of these channels (indexes from 0, increasing) are staged: a channel that
    // nothing reads costs no disk. Choose before the first row; by default every channel is staged.
    void stageOnly(std::vector<std::size_t> channels);
    const std::vector<std::size_t>& stagedChannels() const { return staged_; }

    void row(double time, std::span<const double> values) override;
    void breakBeforeNextRow() override;
    // Call once the reader is done, before reading anything back.
    void finishWriting();

    std::size_t rowCount() const { return rowCount_; }
    // The time column for the run layout, named by `file` in messages.
    TimeColumn timeColumn(const std::filesystem::path& file, int decimals) const;
    void readTimes(std::size_t firstRow, std::span<double> times) const override { times_.read(firstRow, times); }
    // The staged values of rows `firstRow` on, row after row, one per staged channel.
    void readRows(std::size_t firstRow, std::span<double> values) const {
        values_.read(static_cast<uint64_t>(firstRow) * staged_.size(), values);
    }

private:
    StagingFile times_;
    StagingFile values_;
    std::size_t rowCount_ = 0;
    std::vector<std::size_t> breaks_;
    bool breakPending_ = false;
    std::vector<std::size_t> staged_;
    bool stagedChosen_ = false;
    std::vector<double> stagedValues_;  // of one row
};

}  // namespace sgf
