// A host session decided by arbitrary bytes: the recording (channels, blocks, runs, intervals,
// scalings and samples, hostile values included) and a sequence of calls of Main1 with any
// selector and any field values a host could send, dialog runs with any item hits and typed
// text, and planned failures of host services. The reference host plays the host with its stress
// modes on; whatever it sees go wrong, and any resource, lock or bracket left behind, any change
// of the floating-point control modes or the locale, ends the process with a description.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace sgfuzz {

void PlayHostSession(const std::filesystem::path& module, const uint8_t* data, std::size_t size);

}  // namespace sgfuzz
