#include "refhost/ReferenceHost.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "Services.h"
#include "module/entry/ParameterBlocks.h"
#include "platform/Resources.h"

namespace refhost {

namespace {

void closeResourceFile(int16_t file) {
    if (file == 0) return;
    try {
        platform::CloseResourceFile(file);
    } catch (const std::invalid_argument&) {
        // Already closed by someone else in the process; nothing is left to release.
    }
}

}  // namespace

std::filesystem::path defaultHostResourceFile() { return SG_HOST_RESOURCE_FILE; }

HostOptions HostOptions::forBulkFiltering() {
    HostOptions options;
    options.relocationStress = false;
    options.verifySources = false;
    options.checkDataGuards = false;
    options.traceCalls = false;
    return options;
}

ReferenceHost::ReferenceHost(HostOptions options) : options_(std::move(options)) {
    provideStandardServices(services_);
    if (!options_.hostResourceFile.empty()) hostResourceFile_ = platform::OpenResourceFile(options_.hostResourceFile);
    previousActive_ = active_;
    active_ = this;
}

ReferenceHost::~ReferenceHost() {
    active_ = previousActive_;
    closeResourceFile(moduleResourceFile_);
    closeResourceFile(hostResourceFile_);
}

void ReferenceHost::noneActive() {
    std::fprintf(stderr, "a host service was called while no reference host is alive\n");
    std::abort();
}

void ReferenceHost::loadModule(const std::filesystem::path& path) {
    library_ = std::make_unique<ModuleLibrary>(path);
    attachModule(library_->main1(), path.stem().string(), resourceFileOf(path));
}

void ReferenceHost::attachModule(Main1Function main1, std::string extensionName,
                                 const std::filesystem::path& resourceFile) {
    main1_ = main1;
    extensionName_ = std::move(extensionName);
    if (resourceFile.empty()) return;
    openModuleResources(resourceFile);
}

void ReferenceHost::openModuleResources(const std::filesystem::path& resourceFile) {
    closeResourceFile(moduleResourceFile_);
    moduleResourceFile_ = platform::OpenResourceFile(resourceFile);
    sg::SetResourceFileBlock block{moduleResourceFile_};
    call(sg::kSelectorSetResourceFile, block);
}

sg::FunctionInstance** ReferenceHost::instanceFor(int32_t channel) const {
    auto found = instances_.find(channel);
    return found == instances_.end() ? nullptr : found->second;
}

void ReferenceHost::endInstance(int16_t channel) {
    const auto found = instances_.find(channel);
    if (found == instances_.end()) return;
    sg::FunctionInstance** instance = found->second;
    instances_.erase(found);
    keptInstances_.erase(instance);
    // Each block only where it is live: the module may have disposed one itself, or never made it.
    const auto isLive = [this](auto** handle) {
        return handle != nullptr && memory_.isLiveHandle(reinterpret_cast<sg::Handle>(handle));
    };
    const auto dispose = [&](auto** handle) {
        if (isLive(handle)) memory_.disposeHandle(reinterpret_cast<sg::Handle>(handle), Owner::host);
    };
    if (!isLive(instance)) return;
    sg::LocalDataType** settings = (*instance)->settings;
    if (isLive(settings)) dispose((*settings)->weights);
    dispose(settings);
    dispose(instance);
}

void ReferenceHost::notifyProgress(const ProgressEvent& event) const {
    if (progressHook_) progressHook_(event);
}

}  // namespace refhost
