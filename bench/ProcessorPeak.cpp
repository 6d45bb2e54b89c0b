#include "ProcessorPeak.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>

namespace bench {

namespace {

std::string CpuinfoField(const std::string& name) {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind(name, 0) != 0) continue;
        const auto value = line.find_first_not_of(' ', line.find(':') + 1);
        return value == std::string::npos ? std::string() : line.substr(value);
    }
    return "";
}

// The clock the core runs at now: integer additions, each waiting on the one before, take one
// cycle apiece on every x86 core of the last twenty years.
double MeasureMHz() {
    constexpr long kRounds = 20'000'000;
    unsigned value = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long round = 0; round < kRounds; ++round) {
        asm volatile(
            "add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\t"
            "add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\t"
            "add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\t"
            "add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\t"
            : "+r"(value));
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    return 20.0 * kRounds / seconds.count() / 1e6;
}

}  // namespace

double ProcessorPeak::MultiplyAddsPerSecond(int lanes) const {
    if (architecture.empty()) return 0.0;
    const int perPipe = std::min(lanes, datapathBits / 64);
    return perPipe * std::min(multiplyPipes, addPipes) * measuredMHz * 1e6;
}

ProcessorPeak DescribeProcessor() {
    ProcessorPeak peak;
    peak.model = CpuinfoField("model name");
    peak.family = static_cast<int>(std::strtol(CpuinfoField("cpu family").c_str(), nullptr, 10));
    peak.modelNumber = static_cast<int>(std::strtol(CpuinfoField("model\t").c_str(), nullptr, 10));
    peak.nominalMHz = std::strtod(CpuinfoField("cpu MHz").c_str(), nullptr);
    double best = 0.0;
    for (int trial = 0; trial < 3; ++trial) best = std::max(best, MeasureMHz());
    peak.measuredMHz = best;
    const bool amd = CpuinfoField("vendor_id") == "AuthenticAMD";
    if (amd && peak.family == 26) {
        peak.architecture = "AMD Zen 5 (family 26)";
        peak.datapathBits = 512;
        peak.multiplyPipes = 2;
        peak.addPipes = 2;
        peak.source = "AMD, Software Optimization Guide for the AMD Zen5 Microarchitecture (publication 58455): "
                      "four floating-point pipes, two for multiplies (FP0, FP1) and two for adds (FP2, FP3), "
                      "512 bits wide on the server parts";
    } else if (amd && peak.family == 25) {
        peak.architecture = "AMD Zen 3 or Zen 4 (family 25)";
        peak.datapathBits = 256;
        peak.multiplyPipes = 2;
        peak.addPipes = 2;
        peak.source = "AMD, Software Optimization Guides for the Zen 3 and Zen 4 microarchitectures (publications "
                      "56665, 57647): two multiply and two add pipes, 256 bits wide (AVX-512 in two halves)";
    }
    return peak;
}

}  // namespace bench
