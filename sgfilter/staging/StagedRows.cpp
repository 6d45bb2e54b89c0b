#include "staging/StagedRows.h"

#include <stdexcept>

namespace sgf {

void StagedRows::stageOnly(std::vector<std::size_t> channels) {
    if (rowCount_ > 0) throw std::logic_error("the staged channels are chosen before the first row");
    staged_ = std::move(channels);
    stagedChosen_ = true;
}

void StagedRows::row(double time, std::span<const double> values) {
    if (!stagedChosen_) {
        for (std::size_t channel = 0; channel < values.size(); ++channel) staged_.push_back(channel);
        stagedChosen_ = true;
    }
    // A break before the first row separates nothing.
    if (breakPending_ && rowCount_ > 0) breaks_.push_back(rowCount_);
    breakPending_ = false;
    times_.append({&time, 1});
    stagedValues_.resize(staged_.size());
    for (std::size_t index = 0; index < staged_.size(); ++index) stagedValues_[index] = values[staged_[index]];
    values_.append(stagedValues_);
    ++rowCount_;
}

void StagedRows::breakBeforeNextRow() { breakPending_ = true; }

void StagedRows::finishWriting() {
    times_.flush();
    values_.flush();
}

TimeColumn StagedRows::timeColumn(const std::filesystem::path& file, int decimals) const {
    return {file, rowCount_, decimals, breaks_,
            [this](std::size_t firstRow, std::span<double> times) { readTimes(firstRow, times); }};
}

}  // namespace sgf
