#include "recording/InputRecording.h"

#include <fmt/format.h>

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

std::unique_ptr<refhost::FileBlockStore> storeFor(const CsvSummary& summary, const std::filesystem::path& folder) {
    return std::make_unique<refhost::FileBlockStore>(folder, static_cast<int32_t>(summary.rowCount));
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
    EdfInput(const std::filesystem::path& file, const std::filesystem::path& folder, const ChannelChoice& choose,
             RecordingFormat format)
        : InputRecording(format), reader_(file, folder) {
        if (reader_.recording().table.rowCount == 0) throw InputError(file, 0, "holds no data records");
        chooseRows(choose(reader_.recording().table));
        edf_ = reader_.recording();
        summary_ = edf_.table;
        scalings_ = edf_.scalings;
        layout_ = reader_.layout();
    }

    const RowTimes& times() const override { return reader_; }

    void loadInto(refhost::Recording& recording, const BlockPlan& plan, const std::filesystem::path& folder,
                  std::size_t cachedBlocks) override {
        recording.pageThrough(std::make_unique<EdfBlockStore>(reader_, storeFor(summary_, folder)), cachedBlocks);
        const std::vector<int16_t> channels = describeToHost(summary_, scalings_, layout_.sampleInterval, plan, recording);
        for (std::size_t index = 0; index < channels.size(); ++index) {
            if (reader_.sharesRows(index)) {
                recording.heldByStore(refhost::DataKind::raw, channels[index]);
            } else {
                makeUnavailable(recording, channels[index]);
            }
        }
    }

private:
    void chooseRows(const std::vector<int>& channels) {
        if (channels.empty()) return;
        const auto first = static_cast<std::size_t>(channels.front() - 1);
        reader_.chooseRowsOf(first);
        for (const int channel : channels) {
            const auto index = static_cast<std::size_t>(channel - 1);
            if (reader_.sharesRows(index)) continue;
            const EdfRecording& recorded = reader_.recording();
            const auto& names = recorded.table.channels;
            throw UsageError(fmt::format(
                "channels \"{}\" ({:g} Hz) and \"{}\" ({:g} Hz) are recorded at different rates; one run of sgfilter "
                "filters signals of one rate, so filter the others in a run of their own",
                names[first].name, recorded.channelRates[first], names[index].name, recorded.channelRates[index]));
        }
    }

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
