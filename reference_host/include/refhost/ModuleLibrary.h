// A module loaded from disk: the shared object and its one entry point.
#pragma once

#include <filesystem>

#include "refhost/ServiceTable.h"

namespace refhost {

class ModuleLibrary {
public:
    // Throws std::runtime_error naming the path and the loader's message when the file cannot be
    // loaded or has no Main1.
    explicit ModuleLibrary(const std::filesystem::path& path);
    ~ModuleLibrary();
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    Main1Function main1() const { return main1_; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    void* library_ = nullptr;
    Main1Function main1_ = nullptr;
};

// The module's resource file: the module's path with ".so" replaced by ".rsrc.json".
std::filesystem::path resourceFileOf(const std::filesystem::path& modulePath);

}  // namespace refhost
