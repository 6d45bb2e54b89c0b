// A recording served by `sgfilter view`'s server, in this process, on a free loopback port, and
// a client that asks it as the page does.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <thread>

#include "sgfilter/RecordingFiles.h"
#include "sgfilter/TempFolder.h"
#include "view/ViewServer.h"
#include "view/ViewSession.h"

namespace sgf::testing {

// Two channels at 1 kHz in two runs, 0 to 0.299 s and 0.4 to 0.699 s, paged into blocks of 64.
inline SyntheticRecording twoRunRecording() {
    return {"time (s),ecg (mV),pressure (mmHg)", 0.001, {{0, 300}, {400, 300}}, 3, {}};
}

inline std::string twoRunCsv() {
    std::string text = "time (s),ecg (mV),pressure (mmHg)\n";
    for (const Stretch stretch : twoRunRecording().stretches) {
        for (int sample = stretch.firstSample; sample < stretch.firstSample + stretch.count; ++sample) {
            const double time = sample * 0.001;
            // A deterministic wobble on a slow wave, so smoothing and derivatives have work to do.
            const double wobble = ((sample * 7919) % 13) / 13.0 - 0.5;
            text += fmt::format("{:.3f},{:.3f},{:.3f}\n", time, std::sin(time * 40.0) + 0.1 * wobble,
                                100.0 + 20.0 * std::sin(time * 9.0) + wobble);
        }
    }
    return text;
}

class ViewServerTest : public ::testing::Test {
protected:
    static constexpr int kBlockSize = 64;

    void SetUp() override {
        recording_ = folder_.write("two-runs.csv", twoRunCsv());
        session_ = std::make_unique<ViewSession>(
            ViewOptions{recording_, std::filesystem::path(SG_BUILD_DIR) / "SavitzkyGolay.so", kBlockSize, folder_.path(), ""});
        server_ = std::make_unique<ViewServer>(*session_, 0, PageFiles{}, SaveTarget{std::filesystem::path(SG_BUILD_DIR) / "sgfilter", {}});
        serving_ = std::thread([this] { server_->run(); });
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
        client_->set_read_timeout(120, 0);
    }

    void TearDown() override {
        server_->stop();
        serving_.join();
    }

    std::string path(const std::string& below) const { return fmt::format("/{}/{}", server_->token(), below); }
    std::string hostHeader() const { return fmt::format("127.0.0.1:{}", server_->port()); }

    httplib::Result get(const std::string& below) { return client_->Get(path(below).c_str()); }
    httplib::Result post(const std::string& below, const std::string& body) {
        return client_->Post(path(below).c_str(), body, "application/json");
    }
    nlohmann::json getJson(const std::string& below) {
        const auto result = get(below);
        EXPECT_TRUE(result) << below;
        if (!result) return {};
        EXPECT_EQ(result->status, 200) << below << ": " << result->body;
        return nlohmann::json::parse(result->body);
    }
    int addComputed(const nlohmann::json& settings) {
        const auto result = post("api/computed", settings.dump());
        EXPECT_TRUE(result && result->status == 200) << (result ? result->body : "no answer");
        return result && result->status == 200 ? nlohmann::json::parse(result->body)["channel"].get<int>() : 0;
    }

    TempFolder folder_;
    std::filesystem::path recording_;
    std::unique_ptr<ViewSession> session_;
    std::unique_ptr<ViewServer> server_;
    std::thread serving_;
    std::unique_ptr<httplib::Client> client_;
};

}  // namespace sgf::testing
