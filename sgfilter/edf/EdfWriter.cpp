#include "edf/EdfWriter.h"

#include <edflib.h>
#include <fmt/format.h>
#include <unistd.h>

#include <cmath>
#include <system_error>

#include "util/Errors.h"

namespace sgf {

namespace {

constexpr double kTenMicrosecondsPerSecond = 1e5;

// The longest data record of at most one second (1 ms to 60 s where the rate is low) whose
// duration EDFlib can write exactly and of which the rows make a whole number.
std::size_t samplesPerRecordFor(double sampleRate, std::size_t rowCount) {
    const auto oneSecond = static_cast<std::size_t>(std::max(1.0, std::round(sampleRate)));
    for (std::size_t samples = std::min(rowCount, oneSecond * 60); samples >= 1; --samples) {
        if (rowCount % samples != 0) continue;
        const double seconds = static_cast<double>(samples) / sampleRate;
        const double units = seconds * kTenMicrosecondsPerSecond;
        if (seconds > 1.0 && samples > oneSecond) continue;
        if (seconds >= 0.001 && seconds <= 60.0 && std::fabs(units - std::round(units)) < 1e-6) return samples;
    }
    throw UsageError(fmt::format("{} samples at {} Hz cannot be cut into whole EDF data records of 1 ms to 60 s",
                                 rowCount, sampleRate));
}

std::filesystem::path temporaryBeside(const std::filesystem::path& destination) {
    const std::filesystem::path folder =
        destination.has_parent_path() ? destination.parent_path() : std::filesystem::path(".");
    return folder / fmt::format(".{}.{}.partial", destination.filename().string(), getpid());
}

}  // namespace

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
    return text.substr(0, 8);
}

EdfWriter::EdfWriter(std::filesystem::path destination, bool is24Bit, std::vector<EdfSignal> signals,
                     double sampleRate, std::size_t rowCount, const StartDateTime& start,
                     const std::vector<Annotation>& annotations)
    : destination_(std::move(destination)), temporary_(temporaryBeside(destination_)), signals_(std::move(signals)),
      samplesPerRecord_(samplesPerRecordFor(sampleRate, rowCount)),
      record_(signals_.size(), std::vector<double>(samplesPerRecord_)) {
    handle_ = edfopen_file_writeonly(temporary_.c_str(), is24Bit ? EDFLIB_FILETYPE_BDFPLUS : EDFLIB_FILETYPE_EDFPLUS,
                                     static_cast<int>(signals_.size()));
    if (handle_ < 0) {
        const int error = handle_;
        handle_ = -1;
        fail(fmt::format("cannot be created (EDFlib error {})", error));
    }
    const int digitalMaximum = is24Bit ? 8388607 : 32767;
    const auto seconds = static_cast<double>(samplesPerRecord_) / sampleRate;
    if (edf_set_datarecord_duration(handle_, static_cast<int>(std::lround(seconds * kTenMicrosecondsPerSecond))) != 0) {
        fail(fmt::format("refuses data records of {} s", seconds));
    }
    for (std::size_t index = 0; index < signals_.size(); ++index) {
        const EdfSignal& signal = signals_[index];
        const int s = static_cast<int>(index);
        if (edf_set_samplefrequency(handle_, s, static_cast<int>(samplesPerRecord_)) != 0 ||
            edf_set_digital_maximum(handle_, s, digitalMaximum) != 0 ||
            edf_set_digital_minimum(handle_, s, -digitalMaximum - 1) != 0 ||
            edf_set_physical_maximum(handle_, s, signal.physicalMaximum) != 0 ||
            edf_set_physical_minimum(handle_, s, signal.physicalMinimum) != 0 ||
            edf_set_label(handle_, s, signal.label.substr(0, 16).c_str()) != 0 ||
            edf_set_physical_dimension(handle_, s, signal.units.c_str()) != 0) {
            fail(fmt::format("refuses the header of signal \"{}\" ({} to {} {})", signal.label, signal.physicalMinimum,
                             signal.physicalMaximum, signal.units));
        }
    }
    if (edf_set_startdatetime(handle_, start.year, start.month, start.day, start.hour, start.minute, start.second) != 0) {
        fail("refuses the start date and time");
    }
    for (const Annotation& annotation : annotations) {
        const auto onset = std::llround(annotation.onset * 1e4);
        const auto duration = annotation.duration > 0 ? std::llround(annotation.duration * 1e4) : -1LL;
        if (edfwrite_annotation_utf8(handle_, onset, duration, annotation.text.c_str()) != 0) {
            fail(fmt::format("refuses the annotation \"{}\" at {} s", annotation.text, annotation.onset));
        }
    }
}

EdfWriter::~EdfWriter() {
    if (handle_ >= 0) edfclose_file(handle_);
    std::error_code ignored;
    if (!temporary_.empty()) std::filesystem::remove(temporary_, ignored);
}

void EdfWriter::fail(const std::string& what) const {
    throw std::runtime_error(fmt::format("{}: {}", destination_.string(), what));
}

void EdfWriter::writeRows(std::span<const double> times, std::span<const std::span<const float>> columns) {
    for (std::size_t row = 0; row < times.size(); ++row) {
        for (std::size_t signal = 0; signal < signals_.size(); ++signal) {
            record_[signal][filled_] = signals_[signal].conversion.toUnits(columns[signal][row]);
        }
        if (++filled_ == samplesPerRecord_) writeRecord();
    }
}

void EdfWriter::writeRecord() {
    for (std::vector<double>& samples : record_) {
        if (edfwrite_physical_samples(handle_, samples.data()) != 0) fail("cannot be written");
    }
    filled_ = 0;
}

void EdfWriter::commit() {
    const int closed = edfclose_file(handle_);
    handle_ = -1;
    if (closed != 0) fail("cannot be finished");
    std::filesystem::rename(temporary_, destination_);
    temporary_.clear();
}

}  // namespace sgf
