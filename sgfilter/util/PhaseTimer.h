// Wall-clock time of the phases of a run, so a user can see where the time goes.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace sgf {

class PhaseTimer {
public:
    template <class Work>
    decltype(auto) measure(std::string phase, Work&& work) {
        const auto start = std::chrono::steady_clock::now();
        struct Record {
            PhaseTimer& timer;
            std::string phase;
            std::chrono::steady_clock::time_point start;
            ~Record() { timer.phases_.emplace_back(std::move(phase), std::chrono::steady_clock::now() - start); }
        } record{*this, std::move(phase), start};
        return std::forward<Work>(work)();
    }

    // Seconds per phase, in the order measured.
    std::vector<std::pair<std::string, double>> phases() const;
    double totalSeconds() const;

private:
    std::vector<std::pair<std::string, std::chrono::steady_clock::duration>> phases_;
};

}  // namespace sgf
