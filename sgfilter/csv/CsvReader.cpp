#include "csv/CsvReader.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "csv/ChunkedLineReader.h"
#include "csv/HeaderParsing.h"
#include "csv/NumberParsing.h"
#include "util/Errors.h"

namespace sgf {

namespace {

// Values are stored as float32 in the end; more places than this only show noise.
constexpr int kMostDecimals = 9;

bool isBlank(std::string_view line) {
    for (const char character : line) {
        if (character != ' ' && character != '\t') return false;
    }
    return true;
}

// A field between two separators, without the blanks around it.
std::string_view fieldText(const char* begin, const char* end) {
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    return {begin, static_cast<std::size_t>(end - begin)};
}

std::string shown(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    return text.size() <= kLongest ? std::string(text) : std::string(text.substr(0, kLongest)) + "...";
}

class RowParser {
public:
    RowParser(CsvSummary& summary, RowSink& rows) : summary_(summary), rows_(rows) {
        columnCount_ = summary.channels.size() + 1;
        row_.resize(columnCount_);
        decimals_.assign(columnCount_, 0);
    }

    void parse(std::string_view line, std::size_t lineNumber) {
        const char* cursor = line.data();
        const char* const end = line.data() + line.size();
        for (std::size_t column = 0; column < columnCount_; ++column) {
            // Fields are a few characters long: a plain scan beats a call to memchr.
            const char* fieldEnd = cursor;
            while (fieldEnd < end && *fieldEnd != ',') ++fieldEnd;
            const bool lastColumn = column + 1 == columnCount_;
            if (lastColumn != (fieldEnd == end)) raggedRow(line, lineNumber);
            row_[column] = number(fieldText(cursor, fieldEnd), column, lineNumber);
            cursor = fieldEnd + 1;
        }
        checkTimeIncreases(lineNumber);
        for (std::size_t channel = 0; channel + 1 < columnCount_; ++channel) {
            ChannelColumn& column = summary_.channels[channel];
            column.largestMagnitude = std::max(column.largestMagnitude, std::fabs(row_[channel + 1]));
        }
        rows_.row(row_[0], std::span<const double>(row_).subspan(1));
        previousTime_ = row_[0];
        ++summary_.rowCount;
    }

    void finish() {
        summary_.timeDecimals = decimals_[0];
        for (std::size_t channel = 0; channel + 1 < columnCount_; ++channel) {
            summary_.channels[channel].decimals = decimals_[channel + 1];
        }
    }

private:
    double number(std::string_view text, std::size_t column, std::size_t lineNumber) {
        if (text.empty()) fail(lineNumber, fmt::format("{}: empty value", columnName(column)));
        const ParsedNumber number = parseNumber(text);
        if (number.status == NumberStatus::outOfRange) {
            fail(lineNumber, fmt::format("{}: \"{}\" is out of range", columnName(column), shown(text)));
        }
        if (number.status == NumberStatus::notANumber) {
            fail(lineNumber, fmt::format("{}: \"{}\" is not a number", columnName(column), shown(text)));
        }
        if (!std::isfinite(number.value)) {
            fail(lineNumber, fmt::format("{}: \"{}\" is not a finite number", columnName(column), shown(text)));
        }
        decimals_[column] = std::max(decimals_[column], std::min(number.decimals, kMostDecimals));
        return number.value;
    }

    void checkTimeIncreases(std::size_t lineNumber) const {
        if (summary_.rowCount == 0 || row_[0] > previousTime_) return;
        fail(lineNumber, fmt::format("time {} does not come after the previous row's time {}; rows must be in "
                                     "increasing time order",
                                     row_[0], previousTime_));
    }

    [[noreturn]] void raggedRow(std::string_view line, std::size_t lineNumber) const {
        const auto fields = static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
        fail(lineNumber,
             fmt::format("{} field{} where the header has {}", fields, fields == 1 ? "" : "s", columnCount_));
    }

    std::string columnName(std::size_t column) const {
        return column == 0 ? std::string("time") : "channel \"" + summary_.channels[column - 1].name + "\"";
    }

    [[noreturn]] void fail(std::size_t lineNumber, const std::string& message) const {
        throw InputError(summary_.file, lineNumber, message);
    }

    CsvSummary& summary_;
    RowSink& rows_;
    double previousTime_ = 0.0;
    std::size_t columnCount_;
    std::vector<double> row_;
    std::vector<int> decimals_;
};

void readHeader(std::string_view line, CsvSummary& summary) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    const std::vector<std::string_view> fields = splitHeaderLine(line);
    if (fields.size() < 2) {
        throw InputError(summary.file, 1,
                         "no channel columns: the header needs the time column and at least one "
                         "channel, such as \"time (s),pressure (mmHg)\"");
    }
    const ColumnHeader time = parseColumnHeader(fields[0]);
    summary.timeHeader = time.units.empty() ? time.name : time.name + " (" + time.units + ")";
    for (std::size_t column = 1; column < fields.size(); ++column) {
        ColumnHeader header = parseColumnHeader(fields[column]);
        if (header.name.empty()) {
            throw InputError(summary.file, 1, fmt::format("column {} has no name", column + 1));
        }
        summary.channels.push_back({std::move(header.name), std::move(header.units), 0.0, 0});
    }
}

// The header row; throws InputError for a file without one.
void readHeaderRow(ChunkedLineReader& lines, CsvSummary& summary) {
    std::string_view line;
    if (!lines.next(line)) {
        throw InputError(summary.file, 0,
                         "the file is empty; expected a header row such as \"time (s),pressure (mmHg)\"");
    }
    readHeader(line, summary);
}

}  // namespace

CsvSummary readCsv(const std::filesystem::path& file, RowSink& rows,
                   const std::function<void(const CsvSummary&)>& checkHeader) {
    CsvSummary summary;
    summary.file = file;
    ChunkedLineReader lines(file);
    readHeaderRow(lines, summary);
    if (checkHeader) checkHeader(summary);
    RowParser parser(summary, rows);
    std::string_view line;
    while (lines.next(line)) {
        if (isBlank(line)) {
            rows.breakBeforeNextRow();
            continue;
        }
        parser.parse(line, lines.lineNumber());
    }
    if (summary.rowCount == 0) throw InputError(file, 2, "no data rows after the header");
    parser.finish();
    return summary;
}

CsvSummary readCsvHeader(const std::filesystem::path& file) {
    CsvSummary summary;
    summary.file = file;
    ChunkedLineReader lines(file);
    readHeaderRow(lines, summary);
    return summary;
}

}  // namespace sgf
