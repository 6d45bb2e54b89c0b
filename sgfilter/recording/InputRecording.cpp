#include "recording/InputRecording.h"

#include "csv/CsvReader.h"
#include "edf/EdfBlockStore.h"
#include "edf/EdfReader.h"
#include "edf/RecordingFormat.h"
#include "recording/HostRecording.h"
#include "recording/Scalings.h"
#include "refhost/FileBlockStore.h"
#include "staging/StagedRows.h"
#include "util/Errors.h"

namespace sgf {

namespace {

std::unique_ptr<refhost::FileBlockStore> storeFor(const CsvSummary& summary, const std::filesystem::path& folder) {
    return std::make_unique<refhost::FileBlockStore>(folder, static_cast<int32_t>(summary.rowCount));
}

class CsvInput final : public InputRecording {
public:
    CsvInput(const std::filesystem::path& file, const std::filesystem::path& folder,
             const std::function<void(const CsvSummary&)>& checkHeader)
        : rows_(folder) {
        summary_ = readCsv(file, rows_, checkHeader);
        rows_.finishWriting();
        for (const ChannelColumn& column : summary_.channels) scalings_.push_back(rawScalingFor(column));
        layout_ = splitIntoRuns(rows_.timeColumn(summary_.file, summary_.timeDecimals), kMostBlocks);
    }

    const RowTimes& times() const override { return rows_; }

    void loadInto(refhost::Recording& recording, const BlockPlan& plan, const std::filesystem::path& folder,
                  std::size_t cachedBlocks) override {
        recording.pageThrough(storeFor(summary_, folder), cachedBlocks);
        const std::vector<int16_t> channels = describeToHost(summary_, scalings_, layout_.sampleInterval, plan, recording);
        loadSamples(rows_, scalings_, plan, channels, recording);
        rows_.releaseRows();
    }

private:
    StagedRows rows_;
};

class EdfInput final : public InputRecording {
public:
    EdfInput(const std::filesystem::path& file, const std::filesystem::path& folder,
             const std::function<void(const CsvSummary&)>& checkHeader)
        : reader_(file, folder) {
        edf_ = reader_.recording();
        summary_ = edf_.table;
        scalings_ = edf_.scalings;
        if (summary_.rowCount == 0) throw InputError(file, 0, "holds no data records");
        if (checkHeader) checkHeader(summary_);
        layout_ = reader_.layout();
    }

    const RowTimes& times() const override { return reader_; }

    void loadInto(refhost::Recording& recording, const BlockPlan& plan, const std::filesystem::path& folder,
                  std::size_t cachedBlocks) override {
        recording.pageThrough(std::make_unique<EdfBlockStore>(reader_, storeFor(summary_, folder)), cachedBlocks);
        for (const int16_t channel : describeToHost(summary_, scalings_, layout_.sampleInterval, plan, recording)) {
            recording.heldByStore(refhost::DataKind::raw, channel);
        }
    }

private:
    EdfReader reader_;
};

}  // namespace

std::unique_ptr<InputRecording> readInputRecording(const std::filesystem::path& file,
                                                   const std::filesystem::path& folder,
                                                   const std::function<void(const CsvSummary&)>& checkHeader) {
    if (inputFormatOf(file) == RecordingFormat::csv) return std::make_unique<CsvInput>(file, folder, checkHeader);
    return std::make_unique<EdfInput>(file, folder, checkHeader);
}

}  // namespace sgf
