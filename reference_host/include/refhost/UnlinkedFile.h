// Temporary files that have no name from the moment they exist, so nothing is left behind however
// the process ends, read and written whole at 64-bit offsets.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>

namespace refhost {

static_assert(sizeof(off_t) == 8, "temporary files grow past 2 GiB: build with _FILE_OFFSET_BITS=64");

// A new file in `folder` whose name starts with `prefix`, already removed from the folder; -1 with
// errno set when it cannot be made.
int createUnlinkedFile(const std::filesystem::path& folder, const char* prefix);
// Interrupted and short writes are retried; false with errno set when the system refuses.
bool writeAllAt(int descriptor, const void* data, std::size_t size, off_t offset);
// Reads until `size` bytes or the end of the file: the count read, or -1 with errno set.
ssize_t readFullyAt(int descriptor, void* data, std::size_t size, off_t offset);

}  // namespace refhost
