// The core's peak rate of unfused multiply-adds, from what the processor says about itself and a
// table of the floating-point pipes of the microarchitectures we know.
#pragma once

#include <string>

namespace bench {

struct ProcessorPeak {
    std::string model;           // as /proc/cpuinfo names it
    int family = 0;
    int modelNumber = 0;
    double nominalMHz = 0.0;     // /proc/cpuinfo's "cpu MHz"
    double measuredMHz = 0.0;    // from a chain of dependent one-cycle integer adds
    std::string architecture;    // empty when the family is not in the table
    std::string source;          // where the pipe figures come from
    int datapathBits = 0;        // width of one floating-point pipe
    int multiplyPipes = 0;
    int addPipes = 0;
    // Multiply-adds per second with a separate multiply and add, for vectors of `lanes` doubles;
    // zero when the microarchitecture is unknown.
    double MultiplyAddsPerSecond(int lanes) const;
};

ProcessorPeak DescribeProcessor();

}  // namespace bench
