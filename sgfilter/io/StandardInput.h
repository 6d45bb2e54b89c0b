// Standard input, whose first bytes tell a recording's format before a reader takes the stream:
// the bytes looked at are handed out again, first, to whoever reads it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string_view>

namespace sgf::standardInput {

// The first `size` bytes of standard input (fewer if it ends sooner), read once and kept; ask
// before reading any.
std::string_view head(std::size_t size);
// As read(2) on standard input, the bytes head() took coming first: the count read, 0 at the end,
// or -1 with errno set.
ssize_t read(void* buffer, std::size_t size);

}  // namespace sgf::standardInput
