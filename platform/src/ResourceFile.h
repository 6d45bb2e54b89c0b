// The parsed contents of one resource file (format documented in platform/Resources.h).
#pragma once

#include "platform/Resources.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace platform {

struct ResourceFile {
  std::map<short, std::vector<std::string>> stringLists;
  std::map<short, DialogResource> dialogs;
};

// Throws std::runtime_error whose message starts with the path and says what is wrong.
ResourceFile LoadResourceFile(const std::filesystem::path& path);

}  // namespace platform
