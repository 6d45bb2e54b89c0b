// NewHandle, NewBufferHandle, NewPointer, LockHandle, UnlockHandle, DisposeHandle, DisposePointer.
#include "Services.h"
#include "refhost/ReferenceHost.h"

namespace refhost {

namespace {

sg::Handle allocateHandle(int index, const char* service, int32_t byteCount) {
    ReferenceHost& host = ReferenceHost::active();
    if (host.faults().allocationFails(index)) return nullptr;
    return host.memory().newHandle(byteCount, Owner::module,
                                   std::string("the module's ") + service + " of " + std::to_string(byteCount) + " bytes");
}

sg::Handle newHandle(int32_t byteCount) { return allocateHandle(sg::service::NewHandle::index, "NewHandle", byteCount); }
sg::Handle newBufferHandle(int32_t byteCount) {
    return allocateHandle(sg::service::NewBufferHandle::index, "NewBufferHandle", byteCount);
}

void* newPointer(int32_t byteCount) {
    ReferenceHost& host = ReferenceHost::active();
    if (host.faults().allocationFails(sg::service::NewPointer::index)) return nullptr;
    return host.memory().newPointer(byteCount, Owner::module,
                                    "the module's NewPointer of " + std::to_string(byteCount) + " bytes");
}

sg::HostWord lockHandle(sg::Handle handle) {
    ReferenceHost::active().memory().lock(handle, Owner::module);
    return 0;
}

sg::HostWord unlockHandle(sg::Handle handle) {
    ReferenceHost::active().memory().unlock(handle, Owner::module);
    return 0;
}

sg::HostWord disposeHandle(sg::Handle handle) {
    ReferenceHost::active().memory().disposeHandle(handle, Owner::module);
    return 0;
}

sg::HostWord disposePointer(void* pointer) {
    ReferenceHost::active().memory().disposePointer(pointer, Owner::module);
    return 0;
}

}  // namespace

void provideMemoryServices(ServiceTable& table) {
    table.provide<sg::service::NewHandle, &newHandle>("NewHandle");
    table.provide<sg::service::NewBufferHandle, &newBufferHandle>("NewBufferHandle");
    table.provide<sg::service::NewPointer, &newPointer>("NewPointer");
    table.provide<sg::service::LockHandle, &lockHandle>("LockHandle");
    table.provide<sg::service::UnlockHandle, &unlockHandle>("UnlockHandle");
    table.provide<sg::service::DisposeHandle, &disposeHandle>("DisposeHandle");
    table.provide<sg::service::DisposePointer, &disposePointer>("DisposePointer");
}

}  // namespace refhost
