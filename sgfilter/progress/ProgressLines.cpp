#include "progress/ProgressLines.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace sgf {

void ProgressLines::start(std::size_t total) {
    total_ = std::max<std::size_t>(total, 1);
    done_ = 0;
    write();
}

void ProgressLines::advance() {
    ++done_;
    write();
}

void ProgressLines::write() const {
    if (descriptor_ < 0) return;
    const std::string line = fmt::format("{:.4f}\n", static_cast<double>(std::min(done_, total_)) / static_cast<double>(total_));
    // One short write is atomic on a pipe. Whoever reads may have gone; the job goes on regardless.
    while (::write(descriptor_, line.data(), line.size()) < 0 && errno == EINTR) {
    }
}

}  // namespace sgf
