// Every endpoint of the server under requests of every shape, from four clients at once: malformed
// and oversized bodies, numbers out of range or not numbers, unknown and removed channels, hits on a
// dialog that closed, the same request twice. Each answer is a success or a refusal that says why,
// never a failure of the server, and afterwards the session draws exactly what it drew before.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "view/ViewServerFixture.h"

namespace sgf::testing {
namespace {

// Pieces that requests are made of: mostly sound values, so that requests reach the session and
// change it, among values no page sends.
const std::vector<std::string> kMalformed{"-1", "2.5", "1e308", "-1e308", "4294967297", "32768", "NaN", "inf",
                                          "\"3\"", "true", "null", "[]", "{}", "0x10", "", "0"};
const std::vector<std::string> kBadQuery{"", "x", "nan", "inf", "1e400", "-5", "1,,2", "2,99", "99999", "%00", "1;2", "8193"};
class RequestFuzzer {
public:
    RequestFuzzer(unsigned seed, httplib::Client& client, std::string root) : random_(seed), client_(client), root_(std::move(root)) {}

    // Sends `count` requests; each failure of the server's contract is a test failure.
    void send(int count) {
        for (int sent = 0; sent < count; ++sent) {
            const auto [method, path, body] = next();
            for (int repeat = 0; repeat < (pick(8) == 0 ? 2 : 1); ++repeat) {
                const auto result = method == "GET" ? client_.Get((root_ + path).c_str())
                                                    : client_.Post((root_ + path).c_str(), body, "application/json");
                ASSERT_TRUE(result) << method << " " << path << " " << body.substr(0, 200);
                expectKeptContract(*result, method + " " + path + " " + body.substr(0, 200));
            }
        }
    }

private:
    struct Request {
        std::string method, path, body;
    };

    std::size_t pick(std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_); }
    const std::string& any(const std::vector<std::string>& from) { return from[pick(from.size())]; }

    // One of `sound`, or now and then one of the malformed.
    std::string value(const std::vector<std::string>& sound, const std::vector<std::string>& malformed = kMalformed) {
        return pick(4) == 0 ? any(malformed) : any(sound);
    }

    std::string object(const std::vector<std::pair<std::string, std::vector<std::string>>>& fields) {
        std::string text = "{";
        for (const auto& [name, sound] : fields) {
            if (pick(5) == 0) continue;
            const std::string given = value(sound);
            text += (text.size() > 1 ? ", \"" : "\"") + name + "\": " + (given.empty() ? "1" : given);
        }
        return text + "}";
    }

    std::string body(const std::vector<std::pair<std::string, std::vector<std::string>>>& fields) {
        switch (pick(12)) {
            case 0: return "";
            case 1: return "{";
            case 2: return "[1, 2]";
            case 3: return std::string(70000, '[');                          // past the size the server reads
            case 4: return std::string(5000, '[') + std::string(5000, ']');  // deep, within it
            case 5: return "{\"source\": 1, \"source\": \"x\"}";
            default: return object(fields);
        }
    }

    Request next() {
        // Channel 3, the session's own smoothing, is left out of what could remove or retune it.
        const std::vector<std::string> added{"4", "5", "6", "7"};
        switch (pick(11)) {
            case 0: return {"GET", "api/recording", ""};
            case 1:
                return {"GET", "api/trace?channels=" + value({"1", "2,3", "1,2,3,4", "5"}, kBadQuery) + "&from=" +
                                   value({"0", "0.25", "0.3"}, kBadQuery) + "&to=" + value({"0.7", "0.31", "0.5"}, kBadQuery) +
                                   "&columns=" + value({"1", "7", "500", "8192"}, kBadQuery), ""};
            case 2:
                return {"POST", "api/computed", body({{"source", {"1", "2", "3", "4"}}, {"derivative", {"0", "1", "2"}},
                                                      {"order", {"2", "3", "6"}}, {"width", {"5", "7", "25", "201"}},
                                                      {"range-index", {"0", "3"}}})};
            case 3: return {"POST", "api/computed/remove", body({{"channel", added}})};
            case 4: return {"POST", "api/dialog", body({{"channel", added}})};
            case 5: return {"GET", "api/dialog", ""};
            // Cancel (2) is the only item that closes a dialog here, so no hit retunes a channel for good.
            case 6: return {"POST", "api/dialog/hit", body({{"item", {"2", "99"}}, {"value", {"1", "-1"}}, {"text", {"\"x\""}}})};
            case 7: return {"GET", "api/save", ""};
            case 8: return {"POST", "api/save", body({{"format", {"\"edf\"", "\"csv\"", "\"EDF\"", "\"pdf\""}}})};
            case 9: return {"POST", "api/save/cancel", ""};
            default: return {"GET", "api/" + any(kBadQuery), ""};
        }
    }

    static void expectKeptContract(const httplib::Response& answer, const std::string& request) {
        const std::vector<int> allowed{200, 202, 400, 404, 409, 413};
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), answer.status), allowed.end())
            << request << " -> " << answer.status << " " << answer.body;
        const nlohmann::json json = nlohmann::json::parse(answer.body, nullptr, false);
        ASSERT_FALSE(json.is_discarded()) << request << " -> " << answer.body;
        if (answer.status >= 400) {
            EXPECT_TRUE(json.contains("error") && json["error"].is_string() && !json["error"].get<std::string>().empty())
                << request << " -> " << answer.body;
        }
    }

    std::mt19937 random_;
    httplib::Client& client_;
    std::string root_;
};

TEST_F(ViewServerTest, NoRequestBreaksTheServerOrChangesWhatItDraws) {
    ASSERT_EQ(addComputed({{"source", 2}, {"order", 3}, {"width", 11}}), 3);
    const std::vector<std::string> traces{"api/trace?channels=1,2,3&from=0&to=0.7&columns=2000",
                                          "api/trace?channels=1,2,3&from=0.05&to=0.65&columns=7"};
    std::vector<nlohmann::json> before;
    for (const std::string& trace : traces) before.push_back(getJson(trace));

    std::vector<std::thread> clients;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        clients.emplace_back([this, seed] {
            httplib::Client client("127.0.0.1", server_->port());
            client.set_read_timeout(120, 0);
            RequestFuzzer(seed, client, path("")).send(400);
        });
    }
    for (std::thread& client : clients) client.join();

    // Whatever the requests left open closes as a person closes it.
    for (nlohmann::json dialog = getJson("api/dialog"); dialog["open"].get<bool>(); dialog = getJson("api/dialog")) {
        post("api/dialog/hit", R"({"item": 2})");
    }
    post("api/save/cancel", "");
    for (std::size_t trace = 0; trace < traces.size(); ++trace) EXPECT_EQ(getJson(traces[trace]), before[trace]) << traces[trace];
    EXPECT_EQ(getJson("api/recording")["channels"][2]["settings"]["width"], 11);
}

}  // namespace
}  // namespace sgf::testing
