#include <cmath>

#include "sgfilter/SgfilterProcess.h"
#include "view/ViewServerFixture.h"

namespace sgf::testing {
namespace {

TEST_F(ViewServerTest, EveryRequestWithoutTheTokenIsRefused) {
    const std::string& token = server_->token();
    for (const std::string& target :
         {std::string("/api/recording"), std::string("/"), fmt::format("/{}x/api/recording", token),
          fmt::format("/{}/api/recording", token.substr(1)),
          fmt::format("/{}/api/recording", std::string(token.size(), '0'))}) {
        const auto result = client_->Get(target.c_str());
        ASSERT_TRUE(result) << target;
        EXPECT_EQ(result->status, 403) << target;
        EXPECT_EQ(result->body.find("pressure"), std::string::npos) << target;
    }
    EXPECT_EQ(get("api/recording")->status, 200);
    // A fresh token for every server.
    EXPECT_NE(randomToken(), randomToken());
    EXPECT_EQ(randomToken().size(), 32u);
}

// Each of the server's few threads serves one connection until it closes: a connection a browser
// keeps open would hold a thread idle while the browser's other requests wait.
TEST_F(ViewServerTest, EveryAnswerClosesItsConnection) {
    client_->set_keep_alive(true);
    for (const char* target : {"api/recording", "index.html", "api/nothing"}) {
        const auto result = get(target);
        ASSERT_TRUE(result) << target;
        EXPECT_EQ(result->get_header_value("Connection"), "close") << target;
    }
}

TEST_F(ViewServerTest, AHostHeaderOtherThanTheLoopbackIsRefused) {
    const std::string target = path("api/recording");
    const int port = server_->port();
    for (const std::string& host :
         {fmt::format("evil.example:{}", port), std::string("evil.example"),
          fmt::format("127.0.0.1.evil.example:{}", port), fmt::format("192.168.1.2:{}", port), std::string()}) {
        const auto result = client_->Get(target.c_str(), {{"Host", host}});
        ASSERT_TRUE(result) << host;
        EXPECT_EQ(result->status, 403) << host;
    }
    for (const std::string& host : {hostHeader(), fmt::format("localhost:{}", server_->port())}) {
        const auto result = client_->Get(target.c_str(), {{"Host", host}});
        ASSERT_TRUE(result) << host;
        EXPECT_EQ(result->status, 200) << host;
    }
}

TEST_F(ViewServerTest, BadRequestsGetAClearStatusAndTheServerGoesOn) {
    const struct {
        const char* target;
        const char* body;  // null: GET
        int status;
        const char* saying;
    } cases[] = {
        {"api/trace?channels=1&to=1&columns=10", nullptr, 400, "from is missing"},
        {"api/trace?channels=1&from=x&to=1&columns=10", nullptr, 400, "from must be a number"},
        {"api/trace?channels=1&from=1&to=0&columns=10", nullptr, 400, "earlier to a later"},
        {"api/trace?channels=1&from=nan&to=1&columns=10", nullptr, 400, "earlier to a later"},
        {"api/trace?channels=1&from=0&to=1&columns=0", nullptr, 400, "columns must be"},
        {"api/trace?channels=1&from=0&to=1&columns=2.5", nullptr, 400, "columns must be"},
        {"api/trace?channels=1&from=0&to=1&columns=100000", nullptr, 400, "columns must be"},
        {"api/trace?channels=9&from=0&to=1&columns=10", nullptr, 400, "no channel 9"},
        {"api/trace?channels=1,,2&from=0&to=1&columns=10", nullptr, 400, "not a channel number"},
        {"api/trace?channels=99999&from=0&to=1&columns=10", nullptr, 400, "not a channel number"},
        {"api/trace?from=0&to=1&columns=10", nullptr, 400, "not a channel number"},
        {"api/computed", "{", 400, "JSON"},
        {"api/computed", "[1]", 400, "JSON object"},
        {"api/computed", R"({"source": 7})", 400, "no channel 7"},
        {"api/computed", R"({"source": 1, "width": 4})", 400, "width must be odd"},
        {"api/computed", R"({"source": 1, "order": "3"})", 400, "order must be a whole number"},
        {"api/computed", R"({"source": 1, "derivative": 3})", 400, "derivative must be"},
        {"api/nothing", nullptr, 404, ""},
        {"../../etc/passwd", nullptr, 404, ""},
    };
    for (const auto& check : cases) {
        const auto result = check.body ? post(check.target, check.body) : get(check.target);
        ASSERT_TRUE(result) << check.target;
        EXPECT_EQ(result->status, check.status) << check.target << ": " << result->body;
        EXPECT_NE(result->body.find(check.saying), std::string::npos) << check.target << ": " << result->body;
    }
    // Nothing was added by the refused requests, and the server still answers.
    EXPECT_EQ(getJson("api/recording")["channels"].size(), 2u);
}

TEST_F(ViewServerTest, DescribesChannelsUnitsRatesAndRunsWithTheirGap) {
    const nlohmann::json recording = getJson("api/recording");
    EXPECT_EQ(recording["format"], "CSV");
    ASSERT_EQ(recording["channels"].size(), 2u);
    EXPECT_EQ(recording["channels"][1]["name"], "pressure");
    EXPECT_EQ(recording["channels"][1]["units"], "mmHg");
    EXPECT_DOUBLE_EQ(recording["channels"][1]["rate"].get<double>(), 1000.0);
    ASSERT_EQ(recording["runs"].size(), 2u);
    EXPECT_NEAR(recording["runs"][0]["end"].get<double>(), 0.299, 1e-9);
    EXPECT_NEAR(recording["runs"][1]["start"].get<double>(), 0.4, 1e-9);
}

// What `filter` writes for a smoothing of the pressure and the first derivative of that smoothing.
CsvText filteredByTheCommandLine(const TempFolder& folder, const std::filesystem::path& recording) {
    const auto output = folder / "filtered.csv";
    const ProcessResult result =
        runSgfilter({"filter", recording.string(), "-o", output.string(), "--block-size", "64", "--keep-sources",
                     "--channel", "pressure", "--order", "3", "--width", "25", "--then", "--derivative", "1",
                     "--order", "2", "--width", "11"},
                    folder);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return parseCsv(readText(output));
}

TEST_F(ViewServerTest, TracesAcrossAGapAndBlockBoundariesAreWhatFilterComputes) {
    const int smoothed = addComputed({{"source", 2}, {"order", 3}, {"width", 25}});
    const int derivative = addComputed({{"source", smoothed}, {"derivative", 1}, {"order", 2}, {"width", 11}});
    ASSERT_EQ(smoothed, 3);
    ASSERT_EQ(derivative, 4);
    // A derivative's units read as a person writes them, not in the host's notation.
    EXPECT_EQ(getJson("api/recording")["channels"][3]["units"], "mmHg/ms");
    const CsvText filtered = filteredByTheCommandLine(folder_, recording_);
    ASSERT_EQ(filtered.rows.size(), 600u);
    const std::vector<double> times = filtered.column(0);

    // More columns than samples: every column holds one sample, whose value is the column's
    // minimum and maximum alike. The stretch crosses blocks at 0.192, 0.256, 0.464 s and the gap.
    const nlohmann::json trace = getJson(fmt::format("api/trace?channels=2,{},{}&from=0.15&to=0.55&columns=4000", smoothed, derivative));
    const auto& traceTimes = trace["times"];
    std::size_t row = 150;
    bool sawBreak = false;
    for (std::size_t entry = 0; entry < traceTimes.size(); ++entry) {
        if (trace["channels"][0]["min"][entry].is_null()) {
            // The only break lies in the pause, between the runs.
            EXPECT_GT(traceTimes[entry].get<double>(), 0.299);
            EXPECT_LT(traceTimes[entry].get<double>(), 0.4);
            EXPECT_FALSE(sawBreak);
            sawBreak = true;
            continue;
        }
        ASSERT_LT(row, filtered.rows.size());
        ASSERT_NEAR(traceTimes[entry].get<double>(), times[row], 1e-9);
        for (std::size_t channel = 0; channel < 3; ++channel) {
            const std::string& text = filtered.rows[row][channel + 1];
            const double tolerance = 0.5 * std::pow(10.0, -decimalsOf(text)) + 1e-9;
            const double shown = trace["channels"][channel]["min"][entry].get<double>();
            EXPECT_NEAR(shown, std::stod(text), tolerance) << "channel " << channel << " at " << times[row];
            EXPECT_EQ(shown, trace["channels"][channel]["max"][entry].get<double>());
        }
        ++row;
    }
    EXPECT_TRUE(sawBreak);
    EXPECT_EQ(row, 451u);  // 0.15 to 0.299 and 0.4 to 0.55, all of them
}

TEST_F(ViewServerTest, NarrowColumnsHoldTheSmallestAndLargestValueOfTheirSamples) {
    const int smoothed = addComputed({{"source", 2}, {"order", 3}, {"width", 25}});
    addComputed({{"source", smoothed}, {"derivative", 1}, {"order", 2}, {"width", 11}});
    const CsvText filtered = filteredByTheCommandLine(folder_, recording_);
    const std::vector<double> times = filtered.column(0);
    const std::vector<double> values = filtered.column(2);
    constexpr int kColumns = 9;
    constexpr double kFrom = 0.0;
    constexpr double kTo = 0.7;
    const nlohmann::json trace = getJson(fmt::format("api/trace?channels={}&from={}&to={}&columns={}", smoothed, kFrom, kTo, kColumns));
    // Per column and run, as the server cuts them: a column that the gap runs through is two.
    std::vector<std::pair<double, double>> expected;
    long previousColumn = -1;
    for (std::size_t row = 0; row < times.size(); ++row) {
        const long column = std::min<long>(kColumns - 1, static_cast<long>(std::floor((times[row] - kFrom) * kColumns / (kTo - kFrom))));
        if (column != previousColumn || (row > 0 && times[row] - times[row - 1] > 0.0015)) expected.emplace_back(values[row], values[row]);
        previousColumn = column;
        expected.back().first = std::min(expected.back().first, values[row]);
        expected.back().second = std::max(expected.back().second, values[row]);
    }
    std::vector<std::pair<double, double>> shown;
    for (std::size_t entry = 0; entry < trace["times"].size(); ++entry) {
        const auto& minimum = trace["channels"][0]["min"][entry];
        if (!minimum.is_null()) shown.emplace_back(minimum.get<double>(), trace["channels"][0]["max"][entry].get<double>());
    }
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t column = 0; column < shown.size(); ++column) {
        EXPECT_NEAR(shown[column].first, expected[column].first, 0.0006) << column;
        EXPECT_NEAR(shown[column].second, expected[column].second, 0.0006) << column;
    }
}

}  // namespace
}  // namespace sgf::testing
