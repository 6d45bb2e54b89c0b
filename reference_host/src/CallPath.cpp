// Every call into the module, and the checks that follow it.
#include <cstring>
#include <stdexcept>

#include "platform/Carbon.h"
#include "platform/Dialogs.h"
#include "platform/Ports.h"
#include "platform/Resources.h"
#include "refhost/ReferenceHost.h"

namespace refhost {

int32_t ReferenceHost::callWithoutBlock(int16_t selector) { return invoke(selector, nullptr, 0); }

int32_t ReferenceHost::callWithBlock(int16_t selector, void* block, std::size_t size, int16_t writtenChannel) {
    void* buffer = memory_.newPointer(static_cast<int32_t>(size), Owner::host,
                                      "the parameter block of selector " + std::to_string(selector));
    std::memcpy(buffer, block, size);
    const int32_t result = invoke(selector, buffer, writtenChannel);
    std::memcpy(block, buffer, size);
    memory_.disposePointer(buffer, Owner::host);
    return result;
}

int32_t ReferenceHost::invoke(int16_t selector, void* block, int16_t writtenChannel) {
    if (main1_ == nullptr) throw std::logic_error("no module is attached to the reference host");
    const bool topLevel = callDepth_ == 0;
    const CallFrame frame{records_.openLongOperations, records_.openResourceAccesses.size(), platform::CurrentPort(),
                          platform::LiveDialogCount()};
    if (topLevel && options_.verifySources) checksums_.take(recording_, writtenChannel);

    ++callDepth_;
    int32_t result = 0;
    try {
        result = main1_(selector, block, services_.callbacks());
    } catch (const std::exception& error) {
        misbehaviour_.record("an exception escaped Main1 for selector " + std::to_string(selector) + ": " + error.what());
    } catch (...) {
        misbehaviour_.record("an exception escaped Main1 for selector " + std::to_string(selector));
    }
    --callDepth_;

    checkAfterCall(selector, frame, topLevel);
    return result;
}

void ReferenceHost::checkAfterCall(int16_t selector, const CallFrame& frame, bool topLevel) {
    // Made only for a message: most calls have none.
    const auto after = [selector] { return "after selector " + std::to_string(selector) + ": "; };
    memory_.checkGuards(options_.checkDataGuards);
    if (records_.openLongOperations != frame.openLongOperations) {
        misbehaviour_.record(after() + std::to_string(records_.openLongOperations - frame.openLongOperations) +
                             " long operation(s) begun and not ended");
        records_.openLongOperations = frame.openLongOperations;
    }
    auto& accesses = records_.openResourceAccesses;
    if (accesses.size() > frame.openResourceAccesses) {
        misbehaviour_.record(after() + std::to_string(accesses.size() - frame.openResourceAccesses) +
                             " resource access(es) begun and not ended");
        const int16_t previous = accesses[frame.openResourceAccesses].previous;
        if (previous != 0) platform::UseResourceFile(previous);
        accesses.resize(frame.openResourceAccesses);
    }
    if (platform::CurrentPort() != frame.port) {
        misbehaviour_.record(after() + "the graphics port was not restored");
        SetPort(frame.port);
    }
    if (platform::LiveDialogCount() > frame.liveDialogs) {
        misbehaviour_.record(after() + std::to_string(platform::LiveDialogCount() - frame.liveDialogs) +
                             " dialog(s) created and not disposed");
    }
    if (!topLevel) return;
    if (dialogs_.openDialog() != nullptr) {
        misbehaviour_.record(after() + "a dialog was begun and not ended");
        dialogs_.setOpenDialog(nullptr);
    }
    for (const std::string& held : holds_.takeOutstanding()) misbehaviour_.record(after() + held);
    for (const std::string& locked : memory_.takeModuleLocks()) misbehaviour_.record(after() + locked);
    if (options_.verifySources) checksums_.verify(recording_, misbehaviour_);
    recording_.endOfCall();
    memory_.releaseQuarantine();
}

}  // namespace refhost

namespace refhost {

std::vector<std::string> ReferenceHost::strayModuleMemory() const {
    std::set<const void*> owned;
    for (sg::FunctionInstance** instance : keptInstances_) {
        if (instance == nullptr || !memory_.isLiveHandle(reinterpret_cast<sg::Handle>(instance))) continue;
        owned.insert(instance);
        sg::LocalDataType** settings = (*instance)->settings;
        if (settings == nullptr || !memory_.isLiveHandle(reinterpret_cast<sg::Handle>(settings))) continue;
        owned.insert(settings);
        if ((*settings)->weights != nullptr) owned.insert((*settings)->weights);
    }
    std::vector<std::string> stray;
    for (sg::Handle handle : memory_.liveModuleHandles())
        if (owned.count(handle) == 0) stray.push_back(memory_.labelOf(handle) + " is owned by no instance");
    for (const void* pointer : memory_.liveModulePointers()) stray.push_back(memory_.labelOf(pointer) + " is still allocated");
    return stray;
}

}  // namespace refhost
