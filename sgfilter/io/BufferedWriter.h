// Text output gathered in a large buffer and handed to the file in big writes, with the number
// formatting the CSV and SVG writers share. Numbers are written as std::to_chars writes them:
// no locale, no allocation per value.
#pragma once

#include <fmt/format.h>

#include <cstddef>
#include <string_view>

#include "io/AtomicOutputFile.h"

namespace sgf {

class BufferedWriter {
public:
    explicit BufferedWriter(AtomicOutputFile& file);

    void append(std::string_view text);
    void append(char character);
    // Fixed notation with `decimals` places; a value that rounds to zero is written without a
    // minus sign, since "-0.00" in a column of measurements reads as a data error.
    void appendFixed(double value, int decimals);
    // Room for `room` bytes at the end of the text, to write into directly; commit() then keeps
    // the bytes up to `end` and drops the rest of the room. Nothing else may come in between.
    char* reserve(std::size_t room);
    void commit(const char* end);
    template <class... Arguments>
    void format(fmt::format_string<Arguments...> text, Arguments&&... arguments) {
        fmt::format_to(std::back_inserter(buffer_), text, std::forward<Arguments>(arguments)...);
        flushIfFull();
    }
    // Writes whatever is buffered; call before committing the file.
    void flush();

private:
    void flushIfFull();

    AtomicOutputFile& file_;
    fmt::memory_buffer buffer_;
};

}  // namespace sgf
