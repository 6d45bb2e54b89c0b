#include "cli/EdfOutput.h"

#include "cli/EdfLabels.h"
#include "edf/EdfPhysicalRange.h"
#include "edf/EdfPlusRecordSize.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace sgf {

namespace {

// A header whose digital range reaches beyond its own format's has no digital values to keep.
bool fitsFormat(const SignalRange& range, int32_t fullMaximum) {
    return range.digitalMinimum >= -fullMaximum - 1.0 && range.digitalMaximum <= fullMaximum;
}

// A range from the header holds values that lie within it, to half a digital step.
bool holds(const SignalRange& range, const ValueRange& values) {
    const double halfStep = 0.5 * std::fabs((range.physicalMaximum - range.physicalMinimum) / (range.digitalMaximum - range.digitalMinimum));
    return values.least >= std::min(range.physicalMinimum, range.physicalMaximum) - halfStep &&
           values.greatest <= std::max(range.physicalMinimum, range.physicalMaximum) + halfStep;
}

struct WrittenSignal {
    EdfPlusSignal signal;
    double unitsPerValue;  // from the channel's units to the signal's
};

WrittenSignal edfSignalOf(const OutputChannel& output, const EdfNaming& naming, const ValueRange& values,
                          bool keepsRecordedRange, int32_t fullMaximum, std::size_t samplesPerTick) {
    const std::string& label = naming.label;
    const std::string units = shortUnits(output.units);
    if (keepsRecordedRange && output.recordedRange && fitsFormat(*output.recordedRange, fullMaximum) &&
        holds(*output.recordedRange, values)) {
        const SignalRange& range = *output.recordedRange;
        return {{label, units, range.physicalMinimum, range.physicalMaximum, static_cast<int32_t>(range.digitalMinimum),
                 static_cast<int32_t>(range.digitalMaximum), samplesPerTick, naming.prefiltering},
                1.0};
    }
    const UnitsConversion conversion = unitsConversionOf(output.scaling);
    const std::pair display(conversion.toUnits(static_cast<float>(sg::FullScaleMin)),
                            conversion.toUnits(static_cast<float>(sg::FullScaleMax)));
    const PhysicalRange range = physicalRangeFor(label, units, values.least, values.greatest, display,
                                                 2.0 * fullMaximum + 1.0);
    return {{label, range.units, range.minimum, range.maximum, -fullMaximum - 1, fullMaximum, samplesPerTick,
             naming.prefiltering},
            range.unitsPerValue};
}

}  // namespace

void checkEdfOutputFits(const InputRecording& input) {
    std::vector<std::size_t> lengths;
    for (const DataRun& run : input.layout().runs) lengths.push_back(run.rowCount);
    edfPlusRecordSizeFor(input.tickRate(), lengths);
}

EdfOutput edfOutputOf(const std::vector<OutputChannel>& outputs, const std::vector<ValueRange>& values,
                      OutputFormat output, const InputRecording& input) {
    const RecordingDescription& description = input.description();
    const std::vector<RowsAtRate>& rates = input.rates();
    EdfOutput written;
    EdfPlusContents& contents = written.contents;
    contents.is24Bit = output == OutputFormat::bdf;
    contents.start = description.start.value_or(StartDateTime{});
    contents.annotations = description.annotations;
    contents.tickRate = input.tickRate();
    const RowsAtRate& ticks = rates.front();
    const auto timeOfTick = [&ticks](std::size_t tick) { return ticks.times->timeOf(tick * ticks.samplesPerTick); };
    const double startTime = description.start ? 0.0 : timeOfTick(0);
    for (const DataRun& run : input.layout().runs) contents.runs.push_back({timeOfTick(run.firstRow) - startTime, run.rowCount});
    const std::vector<EdfNaming> namings = edfNamingOf(outputs);
    for (std::size_t index = 0; index < outputs.size(); ++index) {
        const OutputChannel& channel = outputs[index];
        WrittenSignal signal = edfSignalOf(channel, namings[index], values.at(index),
                                           channel.recordedBits == (contents.is24Bit ? 24 : 16), contents.is24Bit ? 8388607 : 32767,
                                           rates.at(channel.values.rate).samplesPerTick);
        contents.signals.push_back(std::move(signal.signal));
        const UnitsConversion conversion = unitsConversionOf(channel.scaling);
        written.conversions.push_back({conversion.scale * signal.unitsPerValue, conversion.offset * signal.unitsPerValue});
    }
    return written;
}


}  // namespace sgf
