#include "refhost/ModuleLibrary.h"

#include <dlfcn.h>

#include <stdexcept>

namespace refhost {

namespace {

std::string loaderMessage() {
    const char* message = dlerror();
    return message != nullptr ? message : "no message from the loader";
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::filesystem::path& path) : path_(path) {
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        throw std::runtime_error("cannot load module " + path.string() + ": " + loaderMessage());
    }
    dlerror();
    void* entry = dlsym(library_, "Main1");
    if (entry == nullptr) {
        const std::string message = loaderMessage();
        dlclose(library_);
        throw std::runtime_error("module " + path.string() + " has no Main1: " + message);
    }
    main1_ = reinterpret_cast<Main1Function>(entry);
}

ModuleLibrary::~ModuleLibrary() { dlclose(library_); }

std::filesystem::path resourceFileOf(const std::filesystem::path& modulePath) {
    std::filesystem::path resources = modulePath;
    resources.replace_extension(".rsrc.json");
    return resources;
}

}  // namespace refhost
