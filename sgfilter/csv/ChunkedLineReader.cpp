#include "csv/ChunkedLineReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/StandardInput.h"
#include "util/Errors.h"

namespace sgf {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{4} << 20;

}  // namespace

ChunkedLineReader::ChunkedLineReader(std::filesystem::path file) : file_(std::move(file)) {
    if (file_ == "-") {
        descriptor_ = STDIN_FILENO;
    } else {
        descriptor_ = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor_ < 0) throw InputError(file_, 0, std::string("cannot open: ") + std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0 || S_ISDIR(status.st_mode)) {
        if (descriptor_ != STDIN_FILENO) ::close(descriptor_);
        throw InputError(file_, 0, "cannot read: a folder, not a file");
    }
    buffer_.resize(kChunkBytes);
}

ChunkedLineReader::~ChunkedLineReader() {
    if (descriptor_ != STDIN_FILENO) ::close(descriptor_);
}

bool ChunkedLineReader::next(std::string_view& line) {
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        if (newline != nullptr || (atEnd_ && begin_ < end_)) {
            const char* stop = newline != nullptr ? newline : buffer_.data() + end_;
            const std::size_t consumed = static_cast<std::size_t>(stop - start) + (newline != nullptr ? 1 : 0);
            begin_ += consumed;
            if (stop > start && stop[-1] == '\r') --stop;
            line = std::string_view(start, static_cast<std::size_t>(stop - start));
            ++lineNumber_;
            return true;
        }
        if (atEnd_ || !refill()) return false;
    }
}

bool ChunkedLineReader::refill() {
    // Keep the unread start of a line and make room behind it; a line longer than the buffer
    // makes the buffer grow.
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    for (;;) {
        const ssize_t count = descriptor_ == STDIN_FILENO
                                  ? standardInput::read(buffer_.data() + end_, buffer_.size() - end_)
                                  : ::read(descriptor_, buffer_.data() + end_, buffer_.size() - end_);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) throw InputError(file_, lineNumber_ + 1, std::string("cannot read: ") + std::strerror(errno));
        if (count == 0) {
            atEnd_ = true;
            return end_ > 0;
        }
        end_ += static_cast<std::size_t>(count);
        return true;
    }
}

}  // namespace sgf
