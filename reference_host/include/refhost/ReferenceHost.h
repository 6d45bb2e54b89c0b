// The reference host: loads a module, hands it the service table, plays the host's side of every
// service, and records whatever the module does wrong. Only one host serves the table at a time:
// the most recently constructed one that is still alive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "refhost/BlockHolds.h"
#include "refhost/CallTrace.h"
#include "refhost/DialogSession.h"
#include "refhost/FaultInjector.h"
#include "refhost/HostMemory.h"
#include "refhost/Misbehaviour.h"
#include "refhost/ModuleLibrary.h"
#include "refhost/Recording.h"
#include "refhost/ServiceRecords.h"
#include "refhost/ServiceTable.h"
#include "refhost/SourceChecksums.h"
#include "module/settings/FunctionInstance.h"

namespace refhost {

// GetHostValue selectors and the answer for the modal-dialog filter.
inline constexpr int32_t kHostValueChannelCount = 1539;
inline constexpr int32_t kHostValueModalFilter = 205;
inline constexpr int32_t kModalFilterValue = 0x0F17E205;

// The file the build copies beside the test and command-line programs.
std::filesystem::path defaultHostResourceFile();

struct HostOptions {
    // Move every unlocked block at every service call.
    bool relocationStress = true;
    // Checksum the data a request only reads, before and after every top-level call.
    bool verifySources = true;
    // After every call, check the guards of the recorded data too, not only of the module's
    // blocks and the host's records.
    bool checkDataGuards = true;
    // Put garbage in the bits of a result the module must ignore.
    bool noisyResults = true;
    bool traceCalls = true;
    // GetDataAccessContext answers null to this many requests first.
    int nullDataContextAnswers = 0;
    std::filesystem::path hostResourceFile = defaultHostResourceFile();

    // No per-call work proportional to the data: for filtering long recordings.
    static HostOptions forBulkFiltering();
};

class ReferenceHost {
public:
    explicit ReferenceHost(HostOptions options = {});
    ~ReferenceHost();
    ReferenceHost(const ReferenceHost&) = delete;
    ReferenceHost& operator=(const ReferenceHost&) = delete;

    // The host whose services the table reaches; aborts when there is none.
    static ReferenceHost& active() {
        if (active_ == nullptr) noneActive();
        return *active_;
    }

    // Loads the module, opens its resource file and sends selector 0 with the file's number.
    void loadModule(const std::filesystem::path& path);
    // Uses an entry point that is already in the process (a fake module in tests). Opens the
    // resource file and sends selector 0 when one is given.
    void attachModule(Main1Function main1, std::string extensionName,
                      const std::filesystem::path& resourceFile = {});

    // Copies `block` into a guarded host buffer, calls Main1, checks, copies it back and returns
    // the result. `writtenChannel` names the channel whose computed values the request may write.
    template <class Block>
    int32_t call(int16_t selector, Block& block, int16_t writtenChannel = 0) {
        static_assert(std::is_trivially_copyable_v<Block>);
        return callWithBlock(selector, &block, sizeof(Block), writtenChannel);
    }
    int32_t callWithoutBlock(int16_t selector);
    int callDepth() const { return callDepth_; }

    // The channel's FunctionInstance, through which reported parameters are applied.
    void registerInstance(int16_t channel, sg::FunctionInstance** instance) {
        instances_[channel] = instance;
        keptInstances_.insert(instance);
    }
    sg::FunctionInstance** instanceFor(int32_t channel) const;
    // Ends the channel's instance as a recording application does when it deletes the channel:
    // the host disposes what the instance owns (its settings' weight table, its settings, the
    // instance record; the module is not called) and forgets it. Nothing where the channel has none.
    void endInstance(int16_t channel);

    const HostOptions& options() const { return options_; }
    HostOptions& options() { return options_; }
    MisbehaviourLog& misbehaviour() { return misbehaviour_; }
    HostMemory& memory() { return memory_; }
    Recording& recording() { return recording_; }
    BlockHolds& holds() { return holds_; }
    CallTrace& trace() { return trace_; }
    FaultInjector& faults() { return faults_; }
    ServiceTable& services() { return services_; }
    ServiceRecords& records() { return records_; }
    DialogSession& dialogs() { return dialogs_; }
    void setProgressHook(ProgressHook hook) { progressHook_ = std::move(hook); }
    void notifyProgress(const ProgressEvent& event) const;

    int16_t hostResourceFile() const { return hostResourceFile_; }
    int16_t moduleResourceFile() const { return moduleResourceFile_; }
    const std::string& extensionName() const { return extensionName_; }
    // The context GetDataAccessContext hands out. One value for the whole process: a module keeps
    // the context it fetched for its life, across hosts.
    static void* dataContext() { return &dataContextToken_; }

    // The module's own blocks that no registered instance owns (the instance record, its settings
    // and their weight table are owned): what the module has lost track of, one description each.
    std::vector<std::string> strayModuleMemory() const;

    // Called by the service gate before every service that cannot enter quietly.
    void enterService(int index, std::span<const uint32_t> words);
    // A call of Main1 is under way and the entry has nothing to trace, move or fail: the service
    // call is counted and goes straight on.
    bool entersQuietly() {
        return callDepth_ > 0 && !options_.traceCalls && !options_.relocationStress && faults_.countedWithoutThrow();
    }

private:
    struct CallFrame {
        int openLongOperations;
        std::size_t openResourceAccesses;
        void* port;               // the current graphics port
        std::size_t liveDialogs;  // dialogs created and not disposed
    };
    [[noreturn]] static void noneActive();
    int32_t callWithBlock(int16_t selector, void* block, std::size_t size, int16_t writtenChannel);
    int32_t invoke(int16_t selector, void* block, int16_t writtenChannel);
    void checkAfterCall(int16_t selector, const CallFrame& frame, bool topLevel);
    void openModuleResources(const std::filesystem::path& resourceFile);

    HostOptions options_;
    MisbehaviourLog misbehaviour_;
    HostMemory memory_{misbehaviour_};
    Recording recording_{memory_};
    BlockHolds holds_;
    SourceChecksums checksums_;
    CallTrace trace_;
    FaultInjector faults_;
    ServiceTable services_;
    ServiceRecords records_;
    DialogSession dialogs_;
    ProgressHook progressHook_;

    std::unique_ptr<ModuleLibrary> library_;
    Main1Function main1_ = nullptr;
    std::string extensionName_;
    int16_t hostResourceFile_ = 0;
    int16_t moduleResourceFile_ = 0;
    std::map<int32_t, sg::FunctionInstance**> instances_;
    std::set<sg::FunctionInstance**> keptInstances_;  // every instance the host was given, in use or not
    int callDepth_ = 0;
    static inline char dataContextToken_ = 0;
    ReferenceHost* previousActive_ = nullptr;
    static inline ReferenceHost* active_ = nullptr;
};

inline bool detail::enterQuietly() { return ReferenceHost::active().entersQuietly(); }

}  // namespace refhost
