// Lines of a text file read through one large reusable buffer: a recording of millions of rows
// costs a few big reads and no allocation per line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace sgf {

class ChunkedLineReader {
public:
    // Throws InputError when the file cannot be opened or is a folder. "-" reads standard input.
    explicit ChunkedLineReader(std::filesystem::path file);
    ~ChunkedLineReader();
    ChunkedLineReader(const ChunkedLineReader&) = delete;
    ChunkedLineReader& operator=(const ChunkedLineReader&) = delete;

    // The next line without its "\n" or "\r\n"; valid until the following call. False at the end.
    bool next(std::string_view& line);
    // Number of the line that next() returned last, from 1.
    std::size_t lineNumber() const { return lineNumber_; }

private:
    // Reads more of the file behind the unread part; false when nothing more came.
    bool refill();

    std::filesystem::path file_;
    int descriptor_ = -1;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // first unread byte
    std::size_t end_ = 0;    // one past the last byte read
    bool atEnd_ = false;
    std::size_t lineNumber_ = 0;
};

}  // namespace sgf
