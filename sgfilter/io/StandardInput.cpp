#include "io/StandardInput.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace sgf::standardInput {

namespace {

// Standard input is one per process, and so is what was read ahead of it.
std::string readAhead;
std::size_t handedOut = 0;
bool ended = false;

ssize_t readStream(void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::read(STDIN_FILENO, buffer, size);
        if (count >= 0 || errno != EINTR) return count;
    }
}

}  // namespace

std::string_view head(std::size_t size) {
    while (readAhead.size() < size && !ended) {
        char bytes[256];
        const ssize_t count = readStream(bytes, std::min(sizeof bytes, size - readAhead.size()));
        if (count <= 0) {
            ended = true;
            break;
        }
        readAhead.append(bytes, static_cast<std::size_t>(count));
    }
    return std::string_view(readAhead).substr(0, size);
}

ssize_t read(void* buffer, std::size_t size) {
    if (handedOut < readAhead.size()) {
        const std::size_t count = std::min(size, readAhead.size() - handedOut);
        std::memcpy(buffer, readAhead.data() + handedOut, count);
        handedOut += count;
        return static_cast<ssize_t>(count);
    }
    return readStream(buffer, size);
}

}  // namespace sgf::standardInput
