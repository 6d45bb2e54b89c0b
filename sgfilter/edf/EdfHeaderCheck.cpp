#include "edf/EdfHeaderCheck.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "util/Errors.h"

namespace sgf {

namespace {

constexpr std::size_t kFixedHeaderBytes = 256;
constexpr std::size_t kSignalHeaderBytes = 256;

class HeaderFields {
public:
    HeaderFields(std::filesystem::path file, std::string bytes) : file_(std::move(file)), bytes_(std::move(bytes)) {}

    std::string text(std::size_t offset, std::size_t size, const std::string& what) const {
        std::string field = bytes_.substr(offset, size);
        for (const char c : field) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte > 0x7E) {
                fail(fmt::format("the {} holds the byte 0x{:02X}, outside printable ASCII", what, byte));
            }
        }
        while (!field.empty() && field.back() == ' ') field.pop_back();
        return field;
    }

    double number(std::size_t offset, std::size_t size, const std::string& what) const {
        const std::string field = text(offset, size, what);
        char* end = nullptr;
        errno = 0;
        const double value = std::strtod(field.c_str(), &end);
        if (field.empty() || *end != '\0' || errno != 0) fail(fmt::format("the {} \"{}\" is not a number", what, field));
        return value;
    }

    std::size_t count(std::size_t offset, std::size_t size, const std::string& what) const {
        const double value = number(offset, size, what);
        if (value < 0 || value != static_cast<double>(static_cast<long long>(value))) {
            fail(fmt::format("the {} {} is not a whole number of at least 0", what, value));
        }
        return static_cast<std::size_t>(value);
    }

    [[noreturn]] void fail(const std::string& message) const { throw InputError(file_, 0, message); }

private:
    std::filesystem::path file_;
    std::string bytes_;
};

std::string readBytes(std::ifstream& in, std::size_t size) {
    std::string bytes(size, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

StartDateTime startOf(const HeaderFields& fields) {
    const std::string date = fields.text(168, 8, "start date");
    const std::string time = fields.text(176, 8, "start time");
    StartDateTime start;
    int twoDigitYear = 0;
    if (std::sscanf(date.c_str(), "%2d.%2d.%2d", &start.day, &start.month, &twoDigitYear) != 3 ||
        std::sscanf(time.c_str(), "%2d.%2d.%2d", &start.hour, &start.minute, &start.second) != 3) {
        fields.fail(fmt::format("the start date and time \"{} {}\" are not dd.mm.yy hh.mm.ss", date, time));
    }
    // The header's two-digit years cover 1985 to 2084.
    start.year = twoDigitYear >= 85 ? 1900 + twoDigitYear : 2000 + twoDigitYear;
    return start;
}

}  // namespace

EdfHeader checkEdfHeader(const std::filesystem::path& file, const std::filesystem::path& shownAs) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw InputError(shownAs, 0, "cannot be opened");
    std::string fixed = readBytes(in, kFixedHeaderBytes);
    if (fixed.size() < kFixedHeaderBytes) {
        throw InputError(shownAs, 0, fmt::format("the header is cut short: {} of its {} bytes", fixed.size(), kFixedHeaderBytes));
    }
    const bool is24Bit = fixed[0] == '\xff';
    fixed[0] = '0';  // BDF's first byte is not ASCII by design
    const HeaderFields head(shownAs, fixed);
    const std::size_t headerBytes = head.count(184, 8, "header size");
    const std::size_t signalCount = head.count(252, 4, "number of signals");
    const double records = head.number(236, 8, "number of data records");
    if (records < 0) head.fail("the number of data records is not known (-1); the file was not finished");
    if (headerBytes != kFixedHeaderBytes * (signalCount + 1)) {
        head.fail(fmt::format("the header says it is {} bytes long, but its {} signals make it {}", headerBytes,
                              signalCount, kFixedHeaderBytes * (signalCount + 1)));
    }
    const std::string signalBytes = readBytes(in, signalCount * kSignalHeaderBytes);
    if (signalBytes.size() < signalCount * kSignalHeaderBytes) {
        head.fail(fmt::format("the header is cut short: {} of its {} bytes", kFixedHeaderBytes + signalBytes.size(),
                              headerBytes));
    }
    const std::string version = fixed.substr(192, 5);
    const bool isPlus = version == "EDF+C" || version == "EDF+D" || version == "BDF+C" || version == "BDF+D";
    EdfHeader header{is24Bit, isPlus, headerBytes, startOf(head), head.count(236, 8, "number of data records"),
                     head.number(244, 8, "data record duration"), {}};
    if (header.recordDuration < 0) head.fail("the data record duration is below 0 s");

    const HeaderFields fields(shownAs, signalBytes);
    const std::size_t n = signalCount;
    std::size_t bytesPerRecord = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const auto at = [n, k](std::size_t before, std::size_t width) { return before * n + k * width; };
        SignalHeader signal;
        signal.label = fields.text(at(0, 16), 16, fmt::format("label of signal {}", k + 1));
        const std::string name = fmt::format("signal {} \"{}\"", k + 1, signal.label);
        signal.units = fields.text(at(96, 8), 8, "physical dimension of " + name);
        signal.physicalMinimum = fields.number(at(104, 8), 8, "physical minimum of " + name);
        signal.physicalMaximum = fields.number(at(112, 8), 8, "physical maximum of " + name);
        signal.digitalMinimum = fields.number(at(120, 8), 8, "digital minimum of " + name);
        signal.digitalMaximum = fields.number(at(128, 8), 8, "digital maximum of " + name);
        signal.samplesPerRecord = fields.count(at(216, 8), 8, "number of samples per record of " + name);
        signal.isAnnotations = signal.label == "EDF Annotations" || signal.label == "BDF Annotations";
        if (!signal.isAnnotations) {
            if (signal.digitalMaximum <= signal.digitalMinimum) {
                fields.fail(fmt::format("{} has a digital range of zero or less ({} to {}), so its values have no "
                                        "physical meaning",
                                        name, signal.digitalMinimum, signal.digitalMaximum));
            }
            if (signal.physicalMaximum == signal.physicalMinimum) {
                fields.fail(fmt::format("{} has a physical range of zero ({} to {})", name, signal.physicalMinimum,
                                        signal.physicalMaximum));
            }
            if (signal.samplesPerRecord == 0) fields.fail(name + " has no samples in a data record");
        }
        bytesPerRecord += signal.samplesPerRecord * (is24Bit ? 3 : 2);
        header.signals.push_back(std::move(signal));
    }
    const bool hasDataSignals = std::ranges::any_of(header.signals, [](const SignalHeader& s) { return !s.isAnnotations; });
    if (hasDataSignals && header.recordDuration == 0) head.fail("the data record duration is not above 0 s");
    const auto expected = static_cast<std::uintmax_t>(headerBytes) + header.recordCount * static_cast<std::uintmax_t>(bytesPerRecord);
    const std::uintmax_t actual = std::filesystem::file_size(file);
    if (actual < expected) {
        head.fail(fmt::format("the data records are cut short: the header declares {} records of {} bytes ({} bytes "
                              "in all), the file has {}",
                              header.recordCount, bytesPerRecord, expected, actual));
    }
    if (actual > expected) {
        head.fail(fmt::format("the file is {} bytes, longer than the {} its header declares ({} records of {} bytes)",
                              actual, expected, header.recordCount, bytesPerRecord));
    }
    header.bytesPerRecord = bytesPerRecord;
    return header;
}

}  // namespace sgf
