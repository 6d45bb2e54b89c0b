// A one-line progress bar on standard error, drawn only when standard error is a terminal. The
// module brackets its work on a block with long-operation calls and reports a step each time it
// pages in source data; those calls are what draw the bar, so it moves as the module works. The
// share done comes from the caller, who knows how many blocks there are.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "refhost/ServiceRecords.h"

namespace sgf {

class ProgressBar {
public:
    // True when standard error is a terminal that can redraw a line.
    static bool terminalAttached();

    explicit ProgressBar(bool enabled) : enabled_(enabled) {}
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    bool enabled() const { return enabled_; }
    void startTask(std::string label, std::size_t total);
    void setDone(std::size_t done) { done_ = done; }
    void onModuleEvent(const refhost::ProgressEvent& event);
    // Clears the bar's line, so that whatever is printed next starts on a clean line.
    void clear();

private:
    void draw();

    bool enabled_;
    bool drawn_ = false;
    std::string label_;
    std::size_t total_ = 1;
    std::size_t done_ = 0;
    std::chrono::steady_clock::time_point lastDrawn_{};
};

}  // namespace sgf
