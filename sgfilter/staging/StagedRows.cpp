#include "staging/StagedRows.h"

namespace sgf {

void StagedRows::row(double time, std::span<const double> values) {
    // A break before the first row separates nothing.
    if (breakPending_ && rowCount_ > 0) breaks_.push_back(rowCount_);
    breakPending_ = false;
    times_.append({&time, 1});
    values_->append(values);
    ++rowCount_;
}

void StagedRows::breakBeforeNextRow() { breakPending_ = true; }

void StagedRows::finishWriting() {
    times_.flush();
    values_->flush();
}

TimeColumn StagedRows::timeColumn(const std::filesystem::path& file, int decimals) const {
    return {file, rowCount_, decimals, breaks_,
            [this](std::size_t firstRow, std::span<double> times) { readTimes(firstRow, times); }};
}

}  // namespace sgf
