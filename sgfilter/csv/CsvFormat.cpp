#include "csv/CsvFormat.h"

#include <algorithm>
#include <vector>

#include "csv/CsvReader.h"
#include "csv/CsvScaling.h"
#include "csv/RunSplitting.h"
#include "input/HostLimits.h"
#include "input/UnitsConversion.h"
#include "staging/StagedRows.h"

namespace sgf {

namespace {

// A CSV is read once, in order, into staging files: only the channels read are staged, and the
// host pages their samples from there.
class CsvInput final : public InputRecording {
public:
    CsvInput(const std::filesystem::path& file, const std::filesystem::path& scratch, const ChannelChoice& choose)
        : rows_(scratch) {
        const CsvSummary summary = readCsv(file, rows_, [&](const CsvSummary& header) {
            describe(header);
            std::vector<std::size_t> read;
            for (const int channel : choose(description_)) read.push_back(static_cast<std::size_t>(channel - 1));
            std::ranges::sort(read);
            read.erase(std::unique(read.begin(), read.end()), read.end());
            rows_.stageOnly(std::move(read));
        });
        rows_.finishWriting();
        layout_ = splitIntoRuns(rows_.timeColumn(summary.file, summary.timeDecimals), kMostBlocks);
        rates_ = {{layout_.sampleInterval, 1, summary.timeDecimals, &rows_}};
        const std::vector<std::size_t>& staged = rows_.stagedChannels();
        channelRates_.assign(summary.channels.size(), std::nullopt);
        stagedColumn_.assign(summary.channels.size(), 0);
        conversions_.assign(summary.channels.size(), UnitsConversion{1.0, 0.0});
        for (std::size_t index = 0; index < summary.channels.size(); ++index) {
            InputChannel& channel = description_.channels[index];
            channel.scaling = rawScalingFor(summary.channels[index]);
            channel.rate = 1.0 / layout_.sampleInterval;
            channel.sampleCount = summary.rowCount;
            const auto at = std::ranges::find(staged, index);
            if (at == staged.end()) continue;
            channelRates_[index] = 0;
            stagedColumn_[index] = static_cast<std::size_t>(at - staged.begin());
            conversions_[index] = unitsConversionOf(channel.scaling);
        }
    }

    void readStored(std::size_t channel, std::size_t firstSample, std::span<float> values) const override {
        const std::size_t columns = rows_.stagedChannels().size();
        const std::size_t column = stagedColumn_.at(channel);
        const UnitsConversion& conversion = conversions_[channel];
        constexpr std::size_t kRowsPerRead = 4096;
        for (std::size_t done = 0; done < values.size(); done += kRowsPerRead) {
            const std::size_t count = std::min(kRowsPerRead, values.size() - done);
            units_.resize(count * columns);
            rows_.readRows(firstSample + done, units_);
            for (std::size_t row = 0; row < count; ++row) {
                values[done + row] = storedValue(units_[row * columns + column], conversion);
            }
        }
    }

private:
    void describe(const CsvSummary& header) {
        description_.file = header.file;
        description_.format = "CSV";
        description_.timeHeader = header.timeHeader;
        for (const ChannelColumn& column : header.channels) {
            InputChannel& channel = description_.channels.emplace_back();
            channel.label = column.name;
            channel.units = column.units;
        }
    }

    StagedRows rows_;
    std::vector<std::size_t> stagedColumn_;    // per channel: its place in a staged row
    std::vector<UnitsConversion> conversions_;  // per channel
    mutable std::vector<double> units_;
};

}  // namespace

InputFormat csvFormat() {
    return {"CSV", {".csv"}, {},
            [](const std::filesystem::path& file, const OpenRequest& request) {
                return std::make_unique<CsvInput>(file, request.scratch, request.choose);
            }};
}

}  // namespace sgf
