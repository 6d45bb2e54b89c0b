// `make bench`: the filter's speed through Main1, plain loop against the vector kernel, beside
// scipy's savgol_filter on the same data in the same run, and the share of the core's peak that
// the kernel reaches, also with blocks of 512, 4,096 and 32,000 samples. Where 32-bit programs
// need an emulator, this program is built as native 64-bit code from the same kernel sources and
// times the kernels alone, and for the block sizes the vector code over each block and the tile of
// windows across each boundary, without the host.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "ProcessorPeak.h"
#include "ThreadClock.h"
#include "module/filter/CentreKernel.h"
#include "module/filter/CentreKernelChoice.h"
#include "module/filter/WindowTile.h"
#if SG_BENCH_THROUGH_MAIN1
#include "HostCallCost.h"
#include "refhost/ChannelComputation.h"
#include "refhost/ModuleLibrary.h"
#include "refhost/ReferenceHost.h"
#include "refhost/Scaling.h"
#endif

namespace {

constexpr int kBlocks = 200;
constexpr int kBlockLength = 32000;
constexpr int kRepeats = 3;

struct Shape {
    int width, order, derivative;
};
constexpr Shape kThroughput[] = {{201, 6, 0}, {51, 4, 0}, {21, 3, 1}};
constexpr Shape kFirstRequest[] = {{201, 6, 0}, {201, 6, 2}};
constexpr int kBlockSizes[] = {512, 4096, 32000};

std::string Name(Shape s) {
    return "(" + std::to_string(s.width) + ", " + std::to_string(s.order) + ", " + std::to_string(s.derivative) + ")";
}

double BestSeconds(int repeats, const std::function<void()>& action) {
    double best = INFINITY;
    for (int i = 0; i < repeats; ++i) {
        const double start = bench::ThreadSeconds();
        action();
        best = std::min(best, bench::ThreadSeconds() - start);
    }
    return best;
}

// A slow wave with noise, within the normalised full scale, like a recorded signal.
std::vector<float> Signal() {
    std::mt19937 random(2026);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    std::vector<float> x(static_cast<std::size_t>(kBlocks) * kBlockLength);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = std::clamp(0.6f * std::sin(0.002f * static_cast<float>(i % 100000)) + noise(random), -0.97f, 0.97f);
    return x;
}

// ---- scipy, in its own process on the same samples ----

struct ScipyFigures {
    std::vector<std::string> notes;
    std::vector<double> filterSeconds, tableSeconds;  // by shape, in the order asked
};

ScipyFigures RunScipy(const std::vector<float>& x, const std::vector<Shape>& shapes) {
    const auto file = std::filesystem::temp_directory_path() / ("sg-bench-" + std::to_string(getpid()) + ".f32");
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(x.data()),
                                                 static_cast<std::streamsize>(x.size() * sizeof(float)));
    // Debian's python, which has Debian's scipy. OPENBLAS_CORETYPE and OPENBLAS_L2_SIZE slow numpy and
    // scipy down on some processors; only this command goes without them.
    std::string command = "env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE /usr/bin/python3 " SG_SOURCE_DIR "/bench/scipy_savgol.py " +
                          file.string();
    for (Shape s : shapes)
        command += " " + std::to_string(s.width) + "," + std::to_string(s.order) + "," + std::to_string(s.derivative);
    ScipyFigures figures;
    FILE* pipe = popen(command.c_str(), "r");
    char line[512];
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "filter" || kind == "table") {
            Shape s{};
            double seconds = 0.0;
            words >> s.width >> s.order >> s.derivative >> seconds;
            (kind == "filter" ? figures.filterSeconds : figures.tableSeconds).push_back(seconds);
        } else {
            figures.notes.emplace_back(std::string(line, std::strcspn(line, "\n")));
        }
    }
    if (pipe == nullptr || pclose(pipe) != 0 || figures.filterSeconds.size() != shapes.size()) {
        std::fprintf(stderr, "scipy did not run: %s\n", command.c_str());
        std::exit(1);
    }
    std::filesystem::remove(file);
    return figures;
}

// ---- the kernel alone ----

// A column whose weights sum to one, like a smoothing's.
std::vector<double> SmoothingColumn(int taps) {
    std::vector<double> column(static_cast<std::size_t>(taps));
    for (int row = 0; row < taps; ++row) column[row] = (row % 2 == 0 ? 1.5 : -0.5) / taps;
    return column;
}

// The samples per second of a kernel over the data, one zone per block, with a smoothing column.
double KernelRate(sg::CentreKernel kernel, const std::vector<float>& x, int taps, std::vector<float>& output) {
    const std::vector<double> column = SmoothingColumn(taps);
    output.assign(x.size(), 0.0f);
    const int count = kBlockLength - taps + 1;
    const double seconds = BestSeconds(kRepeats, [&] {
        for (int b = 0; b < kBlocks; ++b)
            kernel({.source = x.data() + static_cast<std::size_t>(b) * kBlockLength, .weights = column.data(),
                    .taps = taps, .count = count, .scales = {.inputScale = 1.0, .inputOffset = 0.0, .outputOffset = 0.0,
                    .outputScale = 1.0}, .output = output.data() + static_cast<std::size_t>(b) * kBlockLength});
    });
    return static_cast<double>(count) * kBlocks / seconds;
}

// The samples per second of the vector code as the module runs it over blocks of `blockLength`
// samples in one run, without the host: the kernel over the windows inside each block, and the
// windows across each boundary read sample by sample into a tile that the kernel then sums. The
// output is the whole signal's centre zone, which must match one kernel call over the signal.
double TiledRate(sg::CentreKernel kernel, const std::vector<float>& x, int taps, int blockLength,
                 std::vector<float>& output) {
    const std::vector<double> column = SmoothingColumn(taps);
    const sg::SampleScales scales{.inputScale = 1.0, .inputOffset = 0.0, .outputOffset = 0.0, .outputScale = 1.0};
    const int m = (taps - 1) / 2;
    const int blocks = static_cast<int>(x.size()) / blockLength;
    output.assign(static_cast<std::size_t>(blocks) * blockLength, 0.0f);
    const double seconds = BestSeconds(kRepeats, [&] {
        for (int b = 0; b < blocks; ++b) {
            const int base = b * blockLength;
            if (blockLength >= taps)
                kernel({.source = x.data() + base, .weights = column.data(), .taps = taps,
                        .count = blockLength - taps + 1, .scales = {.inputScale = 1.0, .inputOffset = 0.0, .outputOffset = 0.0,
                        .outputScale = 1.0}, .output = output.data() + base + m});
            if (b + 1 == blocks) break;
            // The windows of outputs base + blockLength - m .. base + blockLength + m - 1.
            for (int n = std::max(base + blockLength - m, m); n < base + blockLength + m;) {
                sg::WindowTile tile(n, n - m, taps, true, sg::SampleMatchFor(sg::ChosenPath()));
                for (; n < base + blockLength + m && tile.HasRoomForAnother(); ++n) {
                    const int start = tile.NextStart();
                    tile.BeginWindow();
                    // The window's part in this block, then its part in the next, as the cursor hands them over.
                    const int boundary = base + blockLength;
                    tile.ReadChunk(start, x.data() + start, boundary - start);
                    tile.ReadChunk(boundary, x.data() + boundary, start + taps - boundary);
                    tile.EndWindow(column.data(), 1, scales);
                }
                tile.StoreSliding(kernel, column.data(), scales, output.data());
            }
        }
    });
    return static_cast<double>(static_cast<std::size_t>(blocks) * blockLength - static_cast<std::size_t>(taps) + 1) /
           seconds;
}

#if SG_BENCH_THROUGH_MAIN1
// ---- through Main1 ----

// A private copy of the module for each load, so that each reads the cap on its kernel anew.
std::filesystem::path ModuleCopy() {
    static int copies = 0;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("sg-bench-module-" + std::to_string(getpid()) + "-" + std::to_string(copies++));
    std::filesystem::create_directories(folder);
    const std::filesystem::path module = SG_BUILD_DIR "/SavitzkyGolay.so";
    std::filesystem::copy_file(module, folder / "SavitzkyGolay.so", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(refhost::resourceFileOf(module), refhost::resourceFileOf(folder / "SavitzkyGolay.so"),
                               std::filesystem::copy_options::overwrite_existing);
    return folder / "SavitzkyGolay.so";
}

// The recording of one channel whose blocks of `blockLength` samples form one run, with the module
// loaded and its kernel capped at `path`.
class Session {
public:
    Session(const std::vector<float>& x, sg::SimdPath path, int blockLength = kBlockLength, bool traceCalls = false)
        : host_(OptionsTracing(traceCalls)), blocks_(static_cast<int>(x.size()) / blockLength) {
        setenv(sg::kSimdLimitVariable, sg::PathName(path), 1);
        host_.loadModule(ModuleCopy());
        auto& recording = host_.recording();
        channel_ = recording.addChannel({"signal", "signal", refhost::nativeScaling(0.5, "mV", 3),
                                         refhost::nativeScaling(0.5, "mV", 3)});
        for (int b = 0; b < blocks_; ++b) {
            const int16_t block = recording.addBlock(static_cast<int16_t>(blockLength), 0.001,
                                                     b == 0 ? refhost::RunBoundary::startsRun
                                                            : refhost::RunBoundary::continuesRun);
            auto values = recording.values(refhost::DataKind::raw, channel_, block);
            std::copy_n(x.begin() + static_cast<std::ptrdiff_t>(b) * blockLength, blockLength, values.begin());
        }
    }
    int Blocks() const { return blocks_; }
    ~Session() { unsetenv(sg::kSimdLimitVariable); }

    refhost::ChannelComputation Computation(Shape s) {
        auto computation = *refhost::ChannelComputation::create(host_, channel_);
        computation.setParameter(sg::kParamWindowWidth, static_cast<int16_t>(s.width));
        computation.setParameter(sg::kParamPolynomialOrder, static_cast<int16_t>(s.order));
        computation.setParameter(sg::kParamDerivativeOrder, static_cast<int16_t>(s.derivative));
        return computation;
    }
    std::size_t CallsTraced() { return host_.trace().calls().size(); }
    void ForgetCalls() { host_.trace().clear(); }
    std::vector<float> Output() {
        std::vector<float> all;
        for (int16_t block = 1; block <= blocks_; ++block) {
            auto values = host_.recording().values(refhost::DataKind::computed, channel_, block);
            all.insert(all.end(), values.begin(), values.end());
        }
        return all;
    }

private:
    static refhost::HostOptions OptionsTracing(bool traceCalls) {
        refhost::HostOptions options = refhost::HostOptions::forBulkFiltering();
        options.traceCalls = traceCalls;
        return options;
    }

    refhost::ReferenceHost host_;
    int blocks_;
    int16_t channel_ = 0;
};

// Samples per second of selector 8 over all blocks, the table already built; `output` gets the result.
double Main1Rate(const std::vector<float>& x, Shape s, sg::SimdPath path, std::vector<float>& output,
                 int blockLength = kBlockLength) {
    Session session(x, path, blockLength);
    auto computation = session.Computation(s);
    computation.computeBlock(1);  // builds the table
    const double seconds = BestSeconds(kRepeats, [&] {
        for (int16_t block = 1; block <= session.Blocks(); ++block) computation.computeBlock(block);
    });
    output = session.Output();
    return static_cast<double>(session.Blocks()) * blockLength / seconds;
}

// The host calls of one request for a block inside the run. The plain loop's windows across the
// block's two boundaries make them, and the vector code makes exactly the same, so their number
// depends on the window and not on the block's length; their cost is a share of each block's time
// that only they set.
std::size_t HostCallsPerBlock(const std::vector<float>& x, Shape s, int blockLength) {
    // Three blocks hold a run around the block asked for, which is all its windows reach.
    const std::vector<float> threeBlocks(x.begin(), x.begin() + 3 * static_cast<std::ptrdiff_t>(blockLength));
    Session session(threeBlocks, sg::WidestSupportedPath(), blockLength, /*traceCalls=*/true);
    auto computation = session.Computation(s);
    computation.computeBlock(2);  // builds the table
    session.ForgetCalls();
    computation.computeBlock(2);
    return session.CallsTraced();
}

struct FirstRequest {
    double first, repeat;  // seconds of the first request of a block, and of the same request again
};

FirstRequest TimeFirstRequest(const std::vector<float>& x, Shape s) {
    Session session(x, sg::WidestSupportedPath());
    FirstRequest best{INFINITY, INFINITY};
    for (int trial = 0; trial < 5; ++trial) {
        auto computation = session.Computation(s);  // a new instance has no table
        auto timed = [&] {
            const double start = bench::ThreadSeconds();
            computation.computeBlock(2);
            return bench::ThreadSeconds() - start;
        };
        best.first = std::min(best.first, timed());
        best.repeat = std::min(best.repeat, timed());
    }
    return best;
}
#endif

int LanesOf(sg::SimdPath path) {
    switch (path) {
        case sg::SimdPath::plain: return 1;
        case sg::SimdPath::sse2: return 2;
        case sg::SimdPath::avx2: return 4;
        case sg::SimdPath::avx512: return 8;
    }
    return 1;
}

}  // namespace

int main() {
    const sg::SimdPath fast = sg::WidestSupportedPath();
    const bench::ProcessorPeak peak = bench::DescribeProcessor();
    std::printf("Processor: %s, family %d, model %d; cpu MHz %.0f, measured clock %.0f MHz\n", peak.model.c_str(),
                peak.family, peak.modelNumber, peak.nominalMHz, peak.measuredMHz);
#if SG_BENCH_THROUGH_MAIN1
    std::printf("Build: 32-bit, run natively; the module through Main1 with the reference host (no stress modes)\n");
#else
    std::printf("Build: NATIVE 64-BIT KERNEL ONLY. 32-bit programs here run only under an emulator, whose times say\n"
                "nothing about performance, so this program is the same kernel source built as 64-bit code and\n"
                "times the kernel alone, without Main1 or the host.\n");
#endif
    std::printf("Data: %d blocks of %d float samples, one run; fast path %s; best of %d in the thread's processor time\n\n", kBlocks, kBlockLength,
                sg::PathName(fast), kRepeats);
    const std::vector<float> x = Signal();

    std::vector<Shape> scipyShapes(std::begin(kThroughput), std::end(kThroughput));
    scipyShapes.push_back(kFirstRequest[1]);
    const ScipyFigures scipy = RunScipy(x, scipyShapes);
    for (const auto& note : scipy.notes) std::printf("scipy: %s\n", note.c_str());
    std::printf("\n");

    std::printf("%-14s %12s %12s %12s %8s %10s %10s\n", "(w, n, s)", "plain M/s", "fast M/s", "scipy M/s",
                "fast/plain", "fast/scipy", "bits");
    double share = 0.0;
    std::vector<float> firstFastOutput;  // of the first shape, the reference of the block sizes through Main1
    for (std::size_t i = 0; i < std::size(kThroughput); ++i) {
        const Shape s = kThroughput[i];
        std::vector<float> plainOut, fastOut;
#if SG_BENCH_THROUGH_MAIN1
        const double plain = Main1Rate(x, s, sg::SimdPath::plain, plainOut);
        const double rate = Main1Rate(x, s, fast, fastOut);
#else
        const int taps = 2 * ((s.width - 1) / 2) + 1;
        const double plain = KernelRate(sg::FilterCentrePlain, x, taps, plainOut);
        const double rate = KernelRate(sg::KernelFor(fast), x, taps, fastOut);
#endif
        const double scipyRate = static_cast<double>(x.size()) / scipy.filterSeconds[i];
        const bool same = plainOut.size() == fastOut.size() &&
                          std::memcmp(plainOut.data(), fastOut.data(), plainOut.size() * sizeof(float)) == 0;
        std::printf("%-14s %12.1f %12.1f %12.1f %8.2fx %9.2fx %10s\n", Name(s).c_str(), plain / 1e6, rate / 1e6,
                    scipyRate / 1e6, rate / plain, rate / scipyRate, same ? "identical" : "DIFFER");
        if (i == 0) {
            share = rate * s.width / peak.MultiplyAddsPerSecond(LanesOf(fast));
            firstFastOutput = fastOut;
        }
    }

    std::printf("\nEach kernel alone on the same data, one zone per block, without Main1 and the host (M samples/s):\n");
    std::printf("%-14s", "(w, n, s)");
    for (int p = 0; p <= static_cast<int>(fast); ++p) std::printf(" %10s", sg::PathName(static_cast<sg::SimdPath>(p)));
    std::printf("\n");
    for (Shape s : kThroughput) {
        std::vector<float> output;
        const int taps = 2 * ((s.width - 1) / 2) + 1;
        std::printf("%-14s", Name(s).c_str());
        for (int p = 0; p <= static_cast<int>(fast); ++p)
            std::printf(" %10.1f", KernelRate(sg::KernelFor(static_cast<sg::SimdPath>(p)), x, taps, output) / 1e6);
        std::printf("\n");
    }

    {
        // Blocks of several sizes at the first shape: the rate against the kernel alone over one
        // zone per 32,000-sample block, and the share of the peak.
        const Shape s = kThroughput[0];
        const int taps = 2 * ((s.width - 1) / 2) + 1;
        std::vector<float> alone;
        const double kernelRate = KernelRate(sg::KernelFor(fast), x, taps, alone);
#if SG_BENCH_THROUGH_MAIN1
        const std::vector<float>& reference = firstFastOutput;
#else
        // The centre outputs of one kernel call over the whole signal, beyond its first m.
        std::vector<float> reference(x.size(), 0.0f);
        const std::vector<double> column = SmoothingColumn(taps);
        sg::KernelFor(fast)({.source = x.data(), .weights = column.data(), .taps = taps,
                             .count = static_cast<int>(x.size()) - taps + 1, .scales = {.inputScale = 1.0, .inputOffset = 0.0,
                             .outputOffset = 0.0, .outputScale = 1.0}, .output = reference.data() + (taps - 1) / 2});
#endif
        const double peakRate = peak.MultiplyAddsPerSecond(LanesOf(fast));
#if SG_BENCH_THROUGH_MAIN1
        std::printf("\nThrough Main1 at %s by block size, path %s; the kernel alone does %.1f M/s:\n", Name(s).c_str(),
                    sg::PathName(fast), kernelRate / 1e6);
#else
        std::printf("\nThe vector code by block size at %s, path %s, WITHOUT THE HOST: the kernel inside each block\n"
                    "and the tile of windows across each boundary, but none of the host calls a boundary costs\n"
                    "(through Main1 only where 32-bit programs run natively). The kernel alone does %.1f M/s:\n",
                    Name(s).c_str(), sg::PathName(fast), kernelRate / 1e6);
#endif
#if SG_BENCH_THROUGH_MAIN1
        std::printf("(\"without host\": the same vector code, kernel and tile, over the blocks' samples in memory)\n");
        std::printf("%-8s %10s %16s %10s %10s %12s %15s\n", "block", "M/s", "of kernel alone", "of peak", "bits",
                    "host calls", "without host");
#else
        std::printf("%-8s %10s %16s %10s %10s\n", "block", "M/s", "of kernel alone", "of peak", "bits");
#endif
        for (int blockLength : kBlockSizes) {
            std::vector<float> output;
#if SG_BENCH_THROUGH_MAIN1
            const double rate = Main1Rate(x, s, fast, output, blockLength);
#else
            const double rate = TiledRate(sg::KernelFor(fast), x, taps, blockLength, output);
#endif
            // The run's result does not depend on its blocks, up to the right edge of a run that
            // ends earlier for fewer whole blocks.
            const std::size_t compared = output.size() - static_cast<std::size_t>(taps);
            const bool same = std::memcmp(output.data(), reference.data(), compared * sizeof(float)) == 0;
            const char* bits = same ? "identical" : "DIFFER";
            std::printf("%-8d %10.1f %15.0f%% %10s %10s", blockLength, rate / 1e6, 100.0 * rate / kernelRate,
                        peakRate > 0 ? (std::to_string(std::lround(100.0 * rate * s.width / peakRate)) + "%").c_str()
                                     : "-",
                        bits);
#if SG_BENCH_THROUGH_MAIN1
            std::vector<float> tiledOutput;
            const double tiled = TiledRate(sg::KernelFor(fast), x, taps, blockLength, tiledOutput);
            std::printf(" %12zu %14.0f%%", HostCallsPerBlock(x, s, blockLength), 100.0 * tiled / kernelRate);
#endif
            std::printf("\n");
        }
    }

#if SG_BENCH_THROUGH_MAIN1
    std::printf("\nOne host call of each kind a request makes, the host as bulk filtering uses it (no stress modes,\n"
                "no trace), through the service table, between a request's block and the one before (ns, best round):\n");
    for (const bench::HostCallCost& cost : bench::MeasureHostCalls())
        std::printf("  %-22s %6.1f\n", cost.service.c_str(), cost.nanoseconds);

    std::printf("\nFirst request of a %d-sample block on a new instance (the weight table built), against scipy's\n"
                "savgol_coeffs for every position of the window:\n", kBlockLength);
    for (std::size_t i = 0; i < std::size(kFirstRequest); ++i) {
        const Shape s = kFirstRequest[i];
        const FirstRequest t = TimeFirstRequest(x, s);
        const double table = i == 0 ? scipy.tableSeconds[0] : scipy.tableSeconds.back();
        std::printf("%-14s first %8.3f ms, again %8.3f ms (table build %.3f ms); scipy table %8.3f ms: "
                    "first request is 1/%.0f of it\n",
                    Name(s).c_str(), t.first * 1e3, t.repeat * 1e3, (t.first - t.repeat) * 1e3, table * 1e3,
                    table / t.first);
    }
#endif

    std::printf("\nPeak of one core, unfused (a multiply and an add per multiply-add):\n");
    if (peak.architecture.empty()) {
        std::printf("  unknown microarchitecture: no share of the peak given\n");
    } else {
        const int perPipe = std::min(LanesOf(fast), peak.datapathBits / 64);
        std::printf("  %s: %d doubles per pipe (path %s, %d-bit pipes) x %d multiply pipes, %d add pipes\n"
                    "  x %.0f MHz (measured) = %.1f G multiply-adds/s (%.1f Gflop/s)\n"
                    "  source: %s\n",
                    peak.architecture.c_str(), perPipe, sg::PathName(fast), peak.datapathBits, peak.multiplyPipes,
                    peak.addPipes, peak.measuredMHz, peak.MultiplyAddsPerSecond(LanesOf(fast)) / 1e9,
                    2 * peak.MultiplyAddsPerSecond(LanesOf(fast)) / 1e9, peak.source.c_str());
        std::printf("  %s reaches %.0f %% of it (%d multiply-adds per sample)\n", Name(kThroughput[0]).c_str(),
                    100.0 * share, kThroughput[0].width);
    }
    return 0;
}
