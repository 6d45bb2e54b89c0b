// Recordings written as sgfilter's users write them, and its output read back.
#pragma once

#include <fmt/format.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace sgf::testing {

struct Stretch {
    int firstSample;  // time = firstSample * interval
    int count;
};

struct SyntheticRecording {
    std::string header;  // "time (s),a (V)"
    double interval;
    std::vector<Stretch> stretches;
    int decimals;
    std::function<double(double)> signal;

    // The values exactly as the file holds them, per stretch.
    std::vector<std::vector<double>> values() const {
        std::vector<std::vector<double>> runs;
        for (const Stretch& stretch : stretches) {
            runs.emplace_back();
            for (int sample = stretch.firstSample; sample < stretch.firstSample + stretch.count; ++sample) {
                runs.back().push_back(std::stod(fmt::format("{:.{}f}", signal(sample * interval), decimals)));
            }
        }
        return runs;
    }

    std::string csv() const {
        std::string text = header + "\n";
        for (const Stretch& stretch : stretches) {
            for (int sample = stretch.firstSample; sample < stretch.firstSample + stretch.count; ++sample) {
                text += fmt::format("{:.6f},{:.{}f}\n", sample * interval, signal(sample * interval), decimals);
            }
        }
        return text;
    }
};

struct CsvText {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;

    std::vector<double> column(std::size_t index) const {
        std::vector<double> values;
        for (const auto& row : rows) values.push_back(std::stod(row.at(index)));
        return values;
    }
};

inline std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ',')) fields.push_back(field);
    return fields;
}

inline CsvText parseCsv(const std::string& text) {
    CsvText csv;
    std::stringstream stream(text);
    std::string line;
    std::getline(stream, line);
    csv.header = splitFields(line);
    while (std::getline(stream, line)) csv.rows.push_back(splitFields(line));
    return csv;
}

inline int decimalsOf(const std::string& number) {
    const auto point = number.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

}  // namespace sgf::testing
