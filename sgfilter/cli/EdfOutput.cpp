#include "cli/EdfOutput.h"

#include "edf/EdfPlusRecordSize.h"

#include <string_view>
#include <utility>

namespace sgf {

namespace {

// EDF labels hold 16 characters: the module's long title keeps its source's name in them.
std::string edfLabelOf(const std::string& title) {
    static constexpr std::string_view kLongName = "Savitzky-Golay";
    std::string label = title;
    if (label.size() > 16 && label.starts_with(kLongName)) label = "SG" + label.substr(kLongName.size());
    if (label.starts_with("SG of ")) label = "SG " + label.substr(6);
    return label;
}

// A header whose digital range reaches beyond its own format's has no digital values to keep.
bool fitsFormat(const SignalRange& range, int32_t fullMaximum) {
    return range.digitalMinimum >= -fullMaximum - 1.0 && range.digitalMaximum <= fullMaximum;
}

EdfPlusSignal edfSignalOf(const OutputChannel& output, bool keepsRecordedRange, int32_t fullMaximum,
                          std::size_t samplesPerTick) {
    const std::string label = edfLabelOf(output.name);
    const std::string units = shortUnits(output.units);
    if (keepsRecordedRange && output.recordedRange && fitsFormat(*output.recordedRange, fullMaximum)) {
        const SignalRange& range = *output.recordedRange;
        return {label, units, range.physicalMinimum, range.physicalMaximum, static_cast<int32_t>(range.digitalMinimum),
                static_cast<int32_t>(range.digitalMaximum), samplesPerTick};
    }
    const UnitsConversion conversion = unitsConversionOf(output.scaling);
    double low = conversion.toUnits(static_cast<float>(sg::FullScaleMin));
    double high = conversion.toUnits(static_cast<float>(sg::FullScaleMax));
    if (low > high) std::swap(low, high);
    return {label, units, low, high, -fullMaximum - 1, fullMaximum, samplesPerTick};
}

// An EDF input's tick rate is exact; a CSV's ticks are its rows.
double tickRateOf(const EdfRecording& edf, const RunLayout& layout) {
    return edf.tickRate > 0 ? edf.tickRate : 1.0 / layout.sampleInterval;
}

}  // namespace

void checkEdfOutputFits(const EdfRecording& edf, const RunLayout& layout) {
    std::vector<std::size_t> lengths;
    for (const DataRun& run : layout.runs) lengths.push_back(run.rowCount);
    edfPlusRecordSizeFor(tickRateOf(edf, layout), lengths);
}

EdfOutput edfOutputOf(const std::vector<OutputChannel>& outputs, RecordingFormat input, RecordingFormat output,
                      const EdfRecording& edf, const RunLayout& layout, const std::vector<RowsAtRate>& rates) {
    EdfOutput written;
    EdfPlusContents& contents = written.contents;
    contents.is24Bit = output == RecordingFormat::bdf;
    contents.start = edf.start;
    contents.annotations = edf.annotations;
    contents.tickRate = tickRateOf(edf, layout);
    const RowsAtRate& ticks = rates.front();
    const auto timeOfTick = [&ticks](std::size_t tick) { return ticks.times->timeOf(tick * ticks.samplesPerTick); };
    const double startTime = input == RecordingFormat::csv ? timeOfTick(0) : 0.0;
    for (const DataRun& run : layout.runs) contents.runs.push_back({timeOfTick(run.firstRow) - startTime, run.rowCount});
    for (const OutputChannel& channel : outputs) {
        contents.signals.push_back(edfSignalOf(channel, input == output, contents.is24Bit ? 8388607 : 32767,
                                               rates.at(channel.values.rate).samplesPerTick));
        written.conversions.push_back(unitsConversionOf(channel.scaling));
    }
    return written;
}

std::string shortUnits(const std::string& units) {
    std::string text = units;
    while (!text.empty() && text.back() == '_') text.pop_back();
    for (const char* power : {"^-1", "^-2"}) {
        const std::size_t at = text.find(power);
        const std::size_t dot = text.rfind('.', at);
        if (at == std::string::npos || dot == std::string::npos) continue;
        const std::string per = text.substr(dot + 1, at - dot - 1);
        text = text.substr(0, dot) + "/" + per + (power[2] == '2' ? "^2" : "") + text.substr(at + 3);
    }
    return text;
}

}  // namespace sgf
