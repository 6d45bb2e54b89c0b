// check-filtered: compares sgfilter's output for a long recording with the least-squares model at
// the start, the middle and the end of the recording, without holding the recording: it keeps
// only those stretches of the input and the output. The recording must be one run of data, and
// the output's columns the stages of one chain (each stage filters the previous one's output).
//
//   check-filtered INPUT.csv INPUT_COLUMN OUTPUT.csv WIDTH,ORDER,DERIVATIVE [WIDTH,ORDER,DERIVATIVE...]
//
// Derivatives are per sample step, as the output gives them where the sample interval is the
// output's time unit (1 ms at 1 kHz). Exits 0 when every value agrees to the places written.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/LeastSquaresOracle.h"

namespace {

constexpr std::size_t kStretch = 2000;

struct Stage {
    int width;
    int order;
    int derivative;
};

struct Row {
    std::size_t index;
    std::vector<std::string> fields;
};

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ',')) fields.push_back(field);
    return fields;
}

// The first, middle and last kStretch rows of a CSV of `rowCount` data rows.
std::vector<std::vector<Row>> stretchesOf(const char* path, std::size_t rowCount) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    const std::size_t middle = rowCount / 2 - kStretch / 2;
    std::vector<Row> first;
    std::vector<Row> centre;
    std::deque<std::string> last;
    std::size_t index = 0;
    for (; std::getline(file, line); ++index) {
        if (index < kStretch) first.push_back({index, fieldsOf(line)});
        if (index >= middle && index < middle + kStretch) centre.push_back({index, fieldsOf(line)});
        last.push_back(line);
        if (last.size() > kStretch) last.pop_front();
    }
    std::vector<Row> end;
    for (std::size_t back = 0; back < last.size(); ++back) end.push_back({index - last.size() + back, fieldsOf(last[back])});
    return {first, centre, end};
}

std::size_t rowsIn(const char* path) {
    std::ifstream file(path);
    std::string line;
    std::size_t count = 0;
    while (std::getline(file, line)) ++count;
    return count - 1;
}

int placesOf(const std::string& number) {
    const auto point = number.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: check-filtered INPUT.csv INPUT_COLUMN OUTPUT.csv WIDTH,ORDER,DERIVATIVE...\n");
        return 2;
    }
    const auto column = static_cast<std::size_t>(std::atoi(argv[2]));
    std::vector<Stage> stages;
    for (int argument = 4; argument < argc; ++argument) {
        Stage stage{};
        if (std::sscanf(argv[argument], "%d,%d,%d", &stage.width, &stage.order, &stage.derivative) != 3) return 2;
        stages.push_back(stage);
    }
    const std::size_t rowCount = rowsIn(argv[1]);
    const auto inputs = stretchesOf(argv[1], rowCount);
    const auto outputs = stretchesOf(argv[3], rowCount);
    // Samples near a stretch's cut see data beyond it; those near the recording's ends do not.
    std::size_t reach = 0;
    for (const Stage& stage : stages) reach += static_cast<std::size_t>(stage.width / 2);

    const char* const names[] = {"start", "middle", "end"};
    int failures = 0;
    std::size_t compared = 0;
    for (std::size_t part = 0; part < 3; ++part) {
        const std::vector<Row>& in = inputs[part];
        const std::vector<Row>& out = outputs[part];
        std::vector<long double> values;
        for (const Row& row : in) values.push_back(std::stold(row.fields.at(column)));
        const std::size_t from = part == 0 ? 0 : reach;
        const std::size_t to = part == 2 ? in.size() : in.size() - reach;
        for (std::size_t stage = 0; stage < stages.size(); ++stage) {
            values = oracle::FilterRun(values, stages[stage].width, stages[stage].order, stages[stage].derivative);
            for (std::size_t n = from; n < to; ++n) {
                const std::string& text = out[n].fields.at(stage + 1);
                const double tolerance = 0.51 * std::pow(10.0, -placesOf(text)) + 1e-6 * std::fabs(static_cast<double>(values[n]));
                const double got = std::stod(text);
                ++compared;
                if (out[n].fields.at(0) != in[n].fields.at(0) || std::fabs(got - static_cast<double>(values[n])) > tolerance) {
                    if (++failures <= 10) {
                        std::fprintf(stderr, "%s, row %zu, stage %zu: %s, expected %.9Lf\n", names[part], out[n].index,
                                     stage + 1, text.c_str(), values[n]);
                    }
                }
            }
        }
    }
    std::printf("%zu rows; compared %zu values at the start, middle and end: %d disagree\n", rowCount, compared,
                failures);
    return failures == 0 ? 0 : 1;
}
