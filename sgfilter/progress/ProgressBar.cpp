#include "progress/ProgressBar.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sgf {

namespace {

constexpr int kBarWidth = 30;
// Faster redraws only cost time: the eye cannot follow them.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

bool ProgressBar::terminalAttached() {
    const char* terminal = std::getenv("TERM");
    return ::isatty(STDERR_FILENO) != 0 && (terminal == nullptr || std::strcmp(terminal, "dumb") != 0);
}

ProgressBar::~ProgressBar() { clear(); }

void ProgressBar::startTask(std::string label, std::size_t total) {
    label_ = std::move(label);
    total_ = std::max<std::size_t>(total, 1);
    done_ = 0;
    lastDrawn_ = {};
}

void ProgressBar::onModuleEvent(const refhost::ProgressEvent& event) {
    if (!enabled_ || event.kind == refhost::ProgressEventKind::state) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDrawn_ < kRedrawInterval) return;
    lastDrawn_ = now;
    draw();
}

void ProgressBar::clear() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

void ProgressBar::draw() {
    const double share = std::min(1.0, static_cast<double>(done_) / static_cast<double>(total_));
    const int filled = static_cast<int>(share * kBarWidth);
    const std::string line = fmt::format("\r{} [{}{}] {:3.0f}%  {}/{} blocks\033[K", label_, std::string(filled, '#'),
                                         std::string(kBarWidth - filled, '.'), share * 100.0, done_, total_);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    drawn_ = true;
}

}  // namespace sgf
