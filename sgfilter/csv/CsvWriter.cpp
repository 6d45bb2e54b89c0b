#include "csv/CsvWriter.h"

#include "io/FixedText.h"

namespace sgf {

namespace {

void appendField(BufferedWriter& writer, const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos) {
        writer.append(text);
        return;
    }
    std::string quoted = "\"";
    for (const char character : text) {
        if (character == '"') quoted += '"';
        quoted += character;
    }
    writer.append(quoted + '"');
}

}  // namespace

CsvWriter::CsvWriter(AtomicOutputFile& file, const std::string& timeHeader, int timeDecimals,
                     std::vector<OutputColumn> columns)
    : writer_(file), timeDecimals_(timeDecimals), columns_(std::move(columns)) {
    rowRoom_ = (columns_.size() + 1) * (kFixedTextRoom + 1);
    appendField(writer_, timeHeader);
    for (const OutputColumn& column : columns_) {
        writer_.append(',');
        appendField(writer_, column.header);
    }
    writer_.append('\n');
}

void CsvWriter::writeRows(std::span<const double> times, std::span<const std::span<const float>> columns) {
    for (std::size_t row = 0; row < times.size(); ++row) {
        char* out = writer_.reserve(rowRoom_);
        out = writeFixed(out, times[row], timeDecimals_);
        for (std::size_t column = 0; column < columns_.size(); ++column) {
            *out++ = ',';
            out = writeFixed(out, columns_[column].conversion.toUnits(columns[column][row]), columns_[column].decimals);
        }
        *out++ = '\n';
        writer_.commit(out);
    }
}

}  // namespace sgf
