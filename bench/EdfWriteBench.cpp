// `make bench-write`: the pieces of sgfilter's write phase for an EDF+ output
// that do not depend on the host, built as native code: the value-range pass,
// the EDF+ writer (conversion to digital values, records, annotations, the
// file) and the plot's traces, over blocks as the host hands them. The shape is
// issue 19's: two computed signals and a plot of the source and both, at 1 kHz
// in two runs of data, blocks of 4,096 samples; the count of samples is scaled
// down and the figures are per value written. bench/run-write-bench.sh builds
// it twice, against the sources before and after a change, runs both and checks
// that they wrote the same bytes.
//
// Usage: edf-write-bench SAMPLES_PER_SIGNAL OUTPUT_PREFIX
// Writes OUTPUT_PREFIX.edf and OUTPUT_PREFIX.trace (the plot's points, for the
// comparison) and prints "phase seconds ns-per-value" lines, each the best of
// five runs.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "edf/EdfResultWriter.h"
#include "plot/ChannelTrace.h"
#include "recording/ValueRange.h"

namespace {

constexpr std::size_t kBlockLength = 4096;
constexpr double kRate = 1000.0;
constexpr std::size_t kSignals = 2;
constexpr int kRepeats = 5;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Stored values as the host keeps a smoothed pressure (mmHg) and its
// derivative: a pulse wave with noise, in the host's normalised floats.
std::array<std::vector<float>, kSignals + 1> storedSignals(std::size_t samples) {
    std::array<std::vector<float>, kSignals + 1> signals;
    uint32_t noise = 2026;
    for (auto& signal : signals) signal.resize(samples);
    for (std::size_t index = 0; index < samples; ++index) {
        noise = noise * 1664525u + 1013904223u;
        const double phase = static_cast<double>(index % 857) / 857.0;
        const double pulse = 0.4 + 0.3 * std::sin(6.283185307179586 * phase) + 0.05 * std::sin(0.00031 * index);
        signals[0][index] = static_cast<float>(pulse + (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.01);
        signals[1][index] = static_cast<float>(pulse);
        signals[2][index] = static_cast<float>(0.3 * std::cos(6.283185307179586 * phase));
    }
    return signals;
}

// Two runs of data, the second half a minute after the first ends, as
// make-sample writes them.
struct Run {
    std::size_t firstRow, rows;
    double onset;
};

std::vector<Run> runsOf(std::size_t samples) {
    const std::size_t first = samples / 2 / 1000 * 1000;
    return {{0, first, 0.0}, {first, samples - first, static_cast<double>(first) / kRate + 30.0}};
}

// The times of rows [firstRow, firstRow + times.size()), as the EDF reader
// gives them.
void readTimes(const std::vector<Run>& runs, std::size_t firstRow, std::span<double> times) {
    for (std::size_t index = 0; index < times.size(); ++index) {
        const std::size_t row = firstRow + index;
        const Run& run = row < runs[1].firstRow ? runs[0] : runs[1];
        times[index] = run.onset + static_cast<double>(row - run.firstRow) / kRate;
    }
}

void writeTrace(std::ofstream& out, const sgf::PlotTrace& trace) {
    for (const sgf::PlotSegment& segment : trace.segments) {
        out.write(reinterpret_cast<const char*>(segment.data()),
                  static_cast<std::streamsize>(segment.size() * sizeof(sgf::PlotPoint)));
        out << '|';
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SAMPLES_PER_SIGNAL OUTPUT_PREFIX\n", argv[0]);
        return 2;
    }
    const std::size_t samples = std::strtoull(argv[1], nullptr, 10) / 1000 * 1000;
    const std::string prefix = argv[2];
    const auto stored = storedSignals(samples);
    const std::vector<Run> runs = runsOf(samples);
    const std::array<sgf::UnitsConversion, kSignals + 1> conversions{{{250.0, 0.0}, {250.0, 0.0}, {0.37, 0.0}}};
    // Blocks never straddle a run, as the host's block plan cuts them.
    std::vector<std::pair<std::size_t, std::size_t>> blocks;
    for (const Run& run : runs) {
        for (std::size_t done = 0; done < run.rows; done += kBlockLength) {
            blocks.emplace_back(run.firstRow + done, std::min(kBlockLength, run.rows - done));
        }
    }
    const auto block = [&](std::size_t signal, std::size_t index) {
        return std::span(stored[signal]).subspan(blocks[index].first, blocks[index].second);
    };

    // Best of a few runs: the machine is shared.
    double rangeSeconds = INFINITY, writeSeconds = INFINITY, traceSeconds = INFINITY, totalSeconds = INFINITY;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        auto start = Clock::now();
        std::array<sgf::ValueRange, kSignals> ranges;
        for (std::size_t signal = 0; signal < kSignals; ++signal) {
            for (std::size_t index = 0; index < blocks.size(); ++index) {
                sgf::widenValueRange(ranges[signal], block(signal + 1, index), conversions[signal + 1]);
            }
        }
        const double ranging = secondsSince(start);

        sgf::EdfPlusContents contents;
        contents.tickRate = kRate;
        for (const Run& run : runs) contents.runs.push_back({run.onset, run.rows});
        contents.annotations = {{12.5, 0.0, "cuff inflated"},
                                {static_cast<double>(samples) / kRate / 2, 2.0, "calibration"}};
        for (std::size_t signal = 0; signal < kSignals; ++signal) {
            contents.signals.push_back({"signal " + std::to_string(signal + 1), "mmHg", ranges[signal].least,
                                        ranges[signal].greatest, -32768, 32767});
        }
        std::vector<sgf::UnitsConversion> written(conversions.begin() + 1, conversions.end());

        double writing = 0.0;
        double tracing = 0.0;
        {
            sgf::AtomicOutputFile file(prefix + ".edf");
            start = Clock::now();
            sgf::EdfResultWriter writer(file, contents, written);
            std::vector<sgf::ChannelTrace> traces;
            for (std::size_t signal = 0; signal <= kSignals; ++signal) {
                traces.emplace_back(sgf::TracedChannel{{static_cast<int16_t>(signal + 1), refhost::DataKind::computed},
                                                       conversions[signal],
                                                       "trace",
                                                       "mmHg"},
                                    0.0, runs[1].onset + static_cast<double>(runs[1].rows - 1) / kRate);
            }
            writing += secondsSince(start);
            std::vector<double> times(kBlockLength);
            for (std::size_t index = 0; index < blocks.size(); ++index) {
                start = Clock::now();
                const std::array<std::span<const float>, kSignals> columns{block(1, index), block(2, index)};
                const std::span<double> blockTimes = std::span(times).first(blocks[index].second);
                writer.writeRows(blockTimes, columns);
                const auto traced = Clock::now();
                writing += std::chrono::duration<double>(traced - start).count();
                readTimes(runs, blocks[index].first, blockTimes);
                const bool startsRun =
                    blocks[index].first == runs[0].firstRow || blocks[index].first == runs[1].firstRow;
                for (std::size_t signal = 0; signal <= kSignals; ++signal)
                    traces[signal].add(blockTimes, block(signal, index), startsRun);
                tracing += secondsSince(traced);
            }
            start = Clock::now();
            writer.finish();
            writing += secondsSince(start);
            std::ofstream traceFile(prefix + ".trace", std::ios::binary);
            for (sgf::ChannelTrace& trace : traces) writeTrace(traceFile, trace.finish());
            file.commit();
        }
        rangeSeconds = std::min(rangeSeconds, ranging);
        writeSeconds = std::min(writeSeconds, writing);
        traceSeconds = std::min(traceSeconds, tracing);
        totalSeconds = std::min(totalSeconds, ranging + writing + tracing);
    }

    const double values = static_cast<double>(samples * kSignals);
    const auto print = [&](const char* phase, double seconds) {
        std::printf("%-7s %9.4f s %8.2f ns/value\n", phase, seconds, seconds / values * 1e9);
    };
    std::printf("%zu samples in each of %zu signals, %zu blocks\n", samples, kSignals, blocks.size());
    print("ranges", rangeSeconds);
    print("edf", writeSeconds);
    print("traces", traceSeconds);
    print("total", totalSeconds);
}
