// BeginResourceAccess and EndResourceAccess: brackets, which may nest, during which a given
// resource file is the current one.
#include <stdexcept>

#include "Services.h"
#include "platform/Resources.h"
#include "refhost/ReferenceHost.h"

namespace refhost {

namespace {

sg::HostWord beginResourceAccess(int32_t resourceFileRef) {
    ReferenceHost& host = ReferenceHost::active();
    const int16_t previous = platform::CurrentResourceFile();
    try {
        platform::UseResourceFile(static_cast<short>(resourceFileRef));
    } catch (const std::invalid_argument&) {
        host.misbehaviour().record("BeginResourceAccess was given resource file " + std::to_string(resourceFileRef) +
                                   ", which is not open");
        return 0;
    }
    host.records().openResourceAccesses.push_back({static_cast<int16_t>(resourceFileRef), previous});
    return 0;
}

sg::HostWord endResourceAccess(int32_t resourceFileRef) {
    ReferenceHost& host = ReferenceHost::active();
    auto& accesses = host.records().openResourceAccesses;
    if (accesses.empty()) {
        host.misbehaviour().record("EndResourceAccess(" + std::to_string(resourceFileRef) + ") without a matching begin");
        return 0;
    }
    const ResourceAccess access = accesses.back();
    accesses.pop_back();
    if (access.file != resourceFileRef) {
        host.misbehaviour().record("EndResourceAccess(" + std::to_string(resourceFileRef) +
                                   ") closes the access to resource file " + std::to_string(access.file));
    }
    if (access.previous != 0) platform::UseResourceFile(access.previous);
    return 0;
}

}  // namespace

void provideResourceServices(ServiceTable& table) {
    table.provide<sg::service::BeginResourceAccess, &beginResourceAccess>("BeginResourceAccess");
    table.provide<sg::service::EndResourceAccess, &endResourceAccess>("EndResourceAccess");
}

}  // namespace refhost
