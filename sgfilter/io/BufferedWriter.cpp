#include "io/BufferedWriter.h"

#include "io/FixedText.h"

namespace sgf {

namespace {

constexpr std::size_t kFlushThreshold = std::size_t{1} << 20;

}  // namespace

BufferedWriter::BufferedWriter(AtomicOutputFile& file) : file_(file) { buffer_.reserve(kFlushThreshold + 4096); }

void BufferedWriter::append(std::string_view text) {
    buffer_.append(text.data(), text.data() + text.size());
    flushIfFull();
}

void BufferedWriter::append(char character) { buffer_.push_back(character); }

void BufferedWriter::appendFixed(double value, int decimals) {
    commit(writeFixed(reserve(kFixedTextRoom), value, decimals));
}

char* BufferedWriter::reserve(std::size_t room) {
    const std::size_t used = buffer_.size();
    buffer_.resize(used + room);
    return buffer_.data() + used;
}

void BufferedWriter::commit(const char* end) {
    buffer_.resize(static_cast<std::size_t>(end - buffer_.data()));
    flushIfFull();
}

void BufferedWriter::flush() {
    file_.write(std::string_view(buffer_.data(), buffer_.size()));
    buffer_.clear();
}

void BufferedWriter::flushIfFull() {
    if (buffer_.size() >= kFlushThreshold) flush();
}

}  // namespace sgf
