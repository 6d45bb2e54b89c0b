#include "csv/CsvWriter.h"

#include "io/BufferedWriter.h"

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

void writeCsv(AtomicOutputFile& file, const TimeColumn& time, const std::vector<PlannedBlock>& blocks,
              const std::vector<OutputColumn>& columns) {
    BufferedWriter writer(file);
    appendField(writer, time.header);
    for (const OutputColumn& column : columns) {
        writer.append(',');
        appendField(writer, column.header);
    }
    writer.append('\n');

    std::vector<std::span<const float>> blockValues(columns.size());
    for (std::size_t index = 0; index < blocks.size(); ++index) {
        for (std::size_t column = 0; column < columns.size(); ++column) {
            blockValues[column] = columns[column].storedValues(index);
        }
        const PlannedBlock& block = blocks[index];
        for (std::size_t offset = 0; offset < static_cast<std::size_t>(block.length); ++offset) {
            writer.appendFixed(time.times[block.firstRow + offset], time.decimals);
            for (std::size_t column = 0; column < columns.size(); ++column) {
                writer.append(',');
                writer.appendFixed(columns[column].conversion.toUnits(blockValues[column][offset]),
                                   columns[column].decimals);
            }
            writer.append('\n');
        }
    }
    writer.flush();
}

}  // namespace sgf
