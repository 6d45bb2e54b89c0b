#include "recording/InputRecording.h"

#include <algorithm>

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

std::unique_ptr<refhost::FileBlockStore> storeFor(const BlockPlan& plan, const std::filesystem::path& folder) {
    return std::make_unique<refhost::FileBlockStore>(folder, plan.sampleCount());
}

class CsvInput final : public InputRecording {
public:
    CsvInput(const std::filesystem::path& file, const std::filesystem::path& folder, const ChannelChoice& choose)
        : InputRecording(RecordingFormat::csv), rows_(folder) {
        // A CSV's channels share its rows; only those read are staged.
        summary_ = readCsv(file, rows_, [&](const CsvSummary& header) {
            std::vector<std::size_t> read;
            for (const int channel : choose(header)) read.push_back(static_cast<std::size_t>(channel - 1));
            std::ranges::sort(read);
            read.erase(std::unique(read.begin(), read.end()), read.end());
            rows_.stageOnly(std::move(read));
        });
        rows_.finishWriting();
        for (const ChannelColumn& column : summary_.channels) scalings_.push_back(rawScalingFor(column));
        layout_ = splitIntoRuns(rows_.timeColumn(summary_.file, summary_.timeDecimals), kMostBlocks);
        rates_ = {{layout_.sampleInterval, 1, summary_.timeDecimals, &rows_}};
        channelRates_.assign(summary_.channels.size(), 0);
    }

    void loadInto(refhost::Recording& recording, const BlockPlan& plan, const std::filesystem::path& folder,
                  std::size_t cachedBlocks) override {
        recording.pageThrough(storeFor(plan, folder), cachedBlocks);
        const std::vector<int16_t> channels = describeToHost(summary_, scalings_, rates_, channelRates_, plan, recording);
        loadSamples(rows_, scalings_, plan, channels, recording);
        rows_.releaseRows();
    }

private:
    StagedRows rows_;
};

class EdfInput final : public InputRecording {
public:
    EdfInput(const std::filesystem::path& file, const std::filesystem::path& folder, const ChannelChoice& choose,
             RecordingFormat format)
        : InputRecording(format), reader_(file, folder) {
        if (reader_.recording().table.channels.empty()) {
            throw InputError(file, 0, "holds annotations and no signals: there is nothing to filter");
        }
        if (reader_.recording().recordCount == 0) throw InputError(file, 0, "holds no data records");
        std::vector<std::size_t> read;
        for (const int channel : choose(reader_.recording().table)) read.push_back(static_cast<std::size_t>(channel - 1));
        if (!read.empty()) reader_.chooseRates(read);
        edf_ = reader_.recording();
        summary_ = edf_.table;
        scalings_ = edf_.scalings;
        layout_ = reader_.layout();
        rates_ = reader_.rates();
        for (std::size_t channel = 0; channel < summary_.channels.size(); ++channel) {
            channelRates_.push_back(reader_.rateOf(channel));
        }
    }

    void loadInto(refhost::Recording& recording, const BlockPlan& plan, const std::filesystem::path& folder,
                  std::size_t cachedBlocks) override {
        std::vector<std::optional<int32_t>> firstSamples;
        for (const std::optional<std::size_t>& rate : channelRates_) {
            firstSamples.push_back(rate ? std::optional(plan.firstSampleOf(*rate)) : std::nullopt);
        }
        recording.pageThrough(std::make_unique<EdfBlockStore>(reader_, std::move(firstSamples), storeFor(plan, folder)),
                              cachedBlocks);
        const std::vector<int16_t> channels = describeToHost(summary_, scalings_, rates_, channelRates_, plan, recording);
        for (std::size_t index = 0; index < channels.size(); ++index) {
            if (channelRates_[index]) recording.heldByStore(refhost::DataKind::raw, channels[index]);
        }
    }

private:
    EdfReader reader_;
};

}  // namespace

std::unique_ptr<InputRecording> readInputRecording(const std::filesystem::path& file,
                                                   const std::filesystem::path& folder, const ChannelChoice& choose) {
    const RecordingFormat format = inputFormatOf(file);
    if (format == RecordingFormat::csv) return std::make_unique<CsvInput>(file, folder, choose);
    return std::make_unique<EdfInput>(file, folder, choose, format);
}

}  // namespace sgf
