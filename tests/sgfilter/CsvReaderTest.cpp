#include <gtest/gtest.h>

#include "csv/CsvReader.h"
#include "csv/HeaderParsing.h"
#include "sgfilter/CollectedRows.h"
#include "sgfilter/TempFolder.h"
#include "util/Errors.h"

namespace sgf {
namespace {

using testing::CollectedRows;
using testing::TempFolder;

TEST(HeaderParsing, SplitsNameAndUnitsAndDropsQuotes) {
    EXPECT_EQ(parseColumnHeader("pressure (mmHg)").name, "pressure");
    EXPECT_EQ(parseColumnHeader("pressure (mmHg)").units, "mmHg");
    EXPECT_EQ(parseColumnHeader(" \"flow (L/min)\" ").units, "L/min");
    EXPECT_EQ(parseColumnHeader("ecg").units, "");
    EXPECT_EQ(parseColumnHeader("left (arm) lead").name, "left (arm) lead");
    EXPECT_EQ(parseColumnHeader("temp (deg (C))").units, "C)");  // the last parenthesis opens the units
}

TEST(CsvReader, ReadsColumnsWithUnitsDecimalsAndLargestMagnitude) {
    TempFolder folder;
    const auto file = folder.write("r.csv",
                                   "\xEF\xBB\xBFtime (s),p (mmHg),v\r\n"
                                   "0.000,1.5,-2\r\n"
                                   "0.001,-3.25,1e-3\r\n"
                                   "0.002,+2,4.5E1\r\n");
    CollectedRows rows;
    const CsvSummary table = readCsv(file, rows);
    EXPECT_EQ(table.timeHeader, "time (s)");
    ASSERT_EQ(table.channels.size(), 2u);
    EXPECT_EQ(table.channels[0].name, "p");
    EXPECT_EQ(table.channels[0].units, "mmHg");
    EXPECT_EQ(rows.columns[0], (std::vector<double>{1.5, -3.25, 2.0}));
    EXPECT_EQ(rows.times, (std::vector<double>{0.0, 0.001, 0.002}));
    EXPECT_DOUBLE_EQ(table.channels[0].largestMagnitude, 3.25);
    EXPECT_EQ(table.channels[0].decimals, 2);
    EXPECT_EQ(table.channels[1].decimals, 3);  // 1e-3
    EXPECT_DOUBLE_EQ(table.channels[1].largestMagnitude, 45.0);
    EXPECT_EQ(table.timeDecimals, 3);
    EXPECT_EQ(table.rowCount, 3u);
    EXPECT_TRUE(rows.breaks.empty());
}

TEST(CsvReader, RecordsBlankLinesAsBreaksExceptAtTheEnds) {
    TempFolder folder;
    const auto file = folder.write("r.csv", "t,a\n0,1\n1,2\n\n  \n2,3\n3,4\n\n");
    CollectedRows rows;
    EXPECT_EQ(readCsv(file, rows).rowCount, 4u);
    EXPECT_EQ(rows.breaks, (std::vector<std::size_t>{2}));
}

TEST(CsvReader, ReadsLinesLongerThanItsBufferAndFilesWithoutFinalNewline) {
    TempFolder folder;
    std::string header = "t";
    std::string row = "0";
    // 200000 values of 22 characters: a row of 4.4 MB, more than one buffer of the reader.
    for (int channel = 0; channel < 200000; ++channel) {
        header += ",c" + std::to_string(channel);
        row += ",1.50000000000000000000";
    }
    const auto file = folder.write("wide.csv", header + "\n" + row + "\n" + "1" + row.substr(1));
    CollectedRows rows;
    const CsvSummary table = readCsv(file, rows);
    EXPECT_EQ(table.channels.size(), 200000u);
    EXPECT_EQ(table.rowCount, 2u);
    EXPECT_EQ(rows.times.back(), 1.0);
}

// Each bad file gives the file, the line and what is wrong with it.
TEST(CsvReader, ReportsBadInputWithFileAndLine) {
    TempFolder folder;
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "r.csv: the file is empty"},
        {"time\n0\n", "r.csv:1: no channel columns"},
        {"time,a,\n0,1,2\n", "r.csv:1: column 3 has no name"},
        {"time,a\n", "r.csv:2: no data rows"},
        {"time,a\n\n\n", "r.csv:2: no data rows"},
        {"time,a,b\n0,1,2\n1,2\n", "r.csv:3: 2 fields where the header has 3"},
        {"time,a\n0,1\n1,2,3\n", "r.csv:3: 3 fields where the header has 2"},
        {"time,a\n0,1\n1,abc\n", "r.csv:3: channel \"a\": \"abc\" is not a number"},
        {"time,a\n0,1\n1,2x\n", "r.csv:3: channel \"a\": \"2x\" is not a number"},
        {"time,a\n0,1\n1, \n", "r.csv:3: channel \"a\": empty value"},
        {"time,a\n0,1\nnan,1\n", "r.csv:3: time: \"nan\" is not a finite number"},
        {"time,a\n0,1\n1,1e999\n", "r.csv:3: channel \"a\": \"1e999\" is out of range"},
        {"time,a\n0,1\n1,2\n1,3\n", "r.csv:4: time 1 does not come after the previous row's time 1"},
        {"time,a\n0,1\n2,2\n\n1,3\n", "r.csv:5: time 1 does not come after the previous row's time 2"},
    };
    for (const Case& bad : cases) {
        const auto file = folder.write("r.csv", bad.text);
        try {
            CollectedRows rows;
            readCsv(file, rows);
            ADD_FAILURE() << "accepted: " << bad.text;
        } catch (const InputError& error) {
            EXPECT_EQ(std::string(error.what()).find((folder / bad.message).string()), 0u)
                << "got: " << error.what() << "\nwanted: " << bad.message;
        }
    }
}

TEST(CsvReader, ReportsAFileItCannotRead) {
    TempFolder folder;
    EXPECT_THROW(
        {
            try {
                readCsvHeader(folder / "missing.csv");
            } catch (const InputError& error) {
                EXPECT_NE(std::string(error.what()).find("missing.csv: cannot open: No such file"), std::string::npos);
                throw;
            }
        },
        InputError);
    EXPECT_THROW(readCsvHeader(folder.path()), InputError);  // a folder
}

}  // namespace
}  // namespace sgf
