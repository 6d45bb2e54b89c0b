// A host that fails at any point loses nothing. The scripted session is replayed once for every
// allocation it makes, with that allocation failing, and once for every host service call it
// makes, with that call throwing. After the faulted call: the messages the failure calls for,
// nothing held, locked, open or leaked in the host, no channel's settings half changed, and the
// same call made again, and every call after it, gives the host the same bits as the session
// without the fault.
#include <algorithm>
#include <functional>

#include "module/host/HostCallbacks.h"
#include "integration/ModuleFixture.h"
#include "integration/ScriptedSession.h"
#include "platform/Carbon.h"

namespace sgtest {
namespace {

namespace service = sg::service;

const std::string kOutOfMemory = "Savitzky-Golay: Out of memory";

// A host service that takes something back. When it is the one that throws, the host has refused
// to take that thing back, and that one thing may stay behind: the module does not ask twice.
struct Refusal {
    int service;
    const char* leftover;  // words of the host's misbehaviour entry about it, or null
};
const Refusal kRefusals[] = {
    {service::EndLongOperation::index, "long operation(s) begun and not ended"},
    {service::UnlockHandle::index, "was left locked"},
    {service::ReleaseRawBlock::index, "is still held"},
    {service::ReleaseComputedBlock::index, "is still held"},
    {service::EndResourceAccess::index, "resource access(es) begun and not ended"},
    {service::EndDialog::index, "a dialog was begun and not ended"},
    {service::DisposeHandle::index, "was left locked"},  // the dialog's working copy is locked until disposed
    {service::DisposePointer::index, nullptr},
};

struct Allowance {
    const char* misbehaviour = nullptr;
    std::size_t strayBlocks = 0;
};

Allowance AllowanceFor(std::optional<int> thrownService) {
    Allowance allowance;
    if (!thrownService) return allowance;
    for (const Refusal& refusal : kRefusals) {
        if (refusal.service != *thrownService) continue;
        allowance.misbehaviour = refusal.leftover;
        const bool disposal = refusal.service == service::DisposeHandle::index || refusal.service == service::DisposePointer::index;
        allowance.strayBlocks = disposal ? 1 : 0;
    }
    return allowance;
}

// What the host found left behind after a call.
enum class Leftover { nothing, whatTheRefusalKept, more };

// The host's accounting after a call: what the host saw go wrong, beyond what the allowance covers
// (at most one entry of the allowed kind), and the module's memory that no instance owns.
Leftover ExpectCleanAccounting(refhost::ReferenceHost& host, const Allowance& allowance, const std::string& where) {
    Leftover leftover = Leftover::nothing;
    int allowedSeen = 0;
    for (const std::string& entry : host.misbehaviour().entries()) {
        if (allowance.misbehaviour != nullptr && entry.find(allowance.misbehaviour) != std::string::npos &&
            ++allowedSeen == 1) {
            leftover = std::max(leftover, Leftover::whatTheRefusalKept);
            continue;
        }
        ADD_FAILURE() << where << ": host saw: " << entry;
        leftover = Leftover::more;
    }
    host.misbehaviour().clear();
    EXPECT_EQ(host.holds().held(), 0) << where;
    if (host.holds().held() != 0) leftover = Leftover::more;
    const auto stray = host.strayModuleMemory();
    EXPECT_LE(stray.size(), allowance.strayBlocks) << where << ": " << (stray.empty() ? "" : stray.front());
    if (!stray.empty()) leftover = std::max(leftover, stray.size() <= allowance.strayBlocks ? Leftover::whatTheRefusalKept : Leftover::more);
    return leftover;
}

// Every stress mode on: blocks move at every service call, guards and sources are checked.
refhost::HostOptions SweepOptions() { return {}; }

struct Reference {
    std::vector<Digest> digests;
    std::vector<Digest> settingsAfter;    // every instance's settings after each step
    std::vector<int> serviceCallsAfter;  // the running count of service calls after each step
    std::vector<std::size_t> confirmedDialogs;
    int allocations = 0;
    int serviceCalls = 0;
};

const Reference& FaultFreeSession() {
    static const Reference reference = [] {
        Reference result;
        refhost::ReferenceHost host(SweepOptions());
        host.loadModule(ModulePath());
        ScriptedSession session(host);
        for (std::size_t step = 0; step < session.stepCount(); ++step) {
            result.digests.push_back(session.run(step));
            result.settingsAfter.push_back(session.settingsDigest());
            result.serviceCallsAfter.push_back(host.faults().serviceCalls());
            EXPECT_TRUE(session.lastMessages().empty()) << session.stepName(step);
        }
        ExpectCleanAccounting(host, {}, "the session without faults");
        result.confirmedDialogs = session.confirmedDialogSteps();
        result.allocations = host.faults().allocationCalls();
        result.serviceCalls = host.faults().serviceCalls();
        return result;
    }();
    return reference;
}

// What one fault point left: anything the host could see held, locked, open or leaked, and
// settings that are neither those before the faulted call nor those it gives without the fault.
struct FaultOutcome {
    Leftover leftover = Leftover::nothing;
    bool mixedSettings = false;
};

// One replay with a fault planned by `arm`; `expectMessages` checks what the faulted call showed.
// A thrown service must leave every channel's settings as they were before the faulted call or as
// the call sets them without the fault, never a mix of the two (an allocation that fails may
// leave an instance out of memory instead, which the session's end covers).
FaultOutcome ReplayWithFault(const std::string& label, const std::function<void(refhost::FaultInjector&)>& arm,
                             const std::function<bool(refhost::FaultInjector&)>& fired,
                             const std::function<void(ScriptedSession&, refhost::FaultInjector&, const std::string&)>& expectMessages) {
    const Reference& reference = FaultFreeSession();
    refhost::ReferenceHost host(SweepOptions());
    host.loadModule(ModulePath());
    ScriptedSession session(host);
    arm(host.faults());
    std::size_t step = 0;
    Digest settingsBefore;
    while (step < session.stepCount()) {
        settingsBefore = session.settingsDigest();
        session.run(step);
        if (fired(host.faults())) break;
        ++step;
    }
    FaultOutcome outcome;
    if (step == session.stepCount()) {
        ADD_FAILURE() << label << " never came";
        return outcome;
    }
    const std::string where = label + " in " + session.stepName(step);
    expectMessages(session, host.faults(), where);
    if (host.faults().thrownService()) {
        const Digest settingsAfter = session.settingsDigest();
        outcome.mixedSettings = settingsAfter != settingsBefore && settingsAfter != reference.settingsAfter[step];
        EXPECT_FALSE(outcome.mixedSettings) << where << " (service " << *host.faults().thrownService()
                                            << "): the settings are a mix of those before and those after";
    }
    const Allowance allowance = AllowanceFor(host.faults().thrownService());
    outcome.leftover = ExpectCleanAccounting(host, allowance, where);
    host.faults().reset();

    const auto instances = session.instances();
    if (std::any_of(instances.begin(), instances.end(),
                    [](auto instance) { return instance != nullptr && (*instance)->state == sg::kStateOutOfMemory; })) {
        // The channel without settings stays so for good; nothing more of the session applies.
        EXPECT_EQ(session.lastMessages(), std::vector<std::string>{kOutOfMemory}) << where;
        return outcome;
    }
    for (std::size_t again = step; again < session.stepCount(); ++again) {
        EXPECT_EQ(session.run(again), reference.digests[again])
            << where << ", then " << session.stepName(again) << (again == step ? " made again" : "");
    }
    outcome.leftover = std::max(outcome.leftover, ExpectCleanAccounting(host, allowance, where + ", at the end of the session"));
    return outcome;
}

std::string UnexpectedFailureMessage() {
    refhost::ReferenceHost host(SweepOptions());
    sg::Str255 text{};
    GetIndString(text, 2015, 1);
    return Text(text);
}

FaultOutcome ReplayWithThrow(int call, const std::string& unexpectedFailure) {
    return ReplayWithFault(
        "service call " + std::to_string(call) + " throwing",
        [call](refhost::FaultInjector& faults) { faults.throwOnServiceCall(refhost::kAnyService, call); },
        [](refhost::FaultInjector& faults) { return faults.thrownService().has_value(); },
        [&unexpectedFailure](ScriptedSession& session, refhost::FaultInjector& faults, const std::string& where) {
            EXPECT_EQ(session.lastMessages(), std::vector<std::string>{unexpectedFailure})
                << where << " (service " << *faults.thrownService() << ")";
        });
}

TEST(FaultSweepTest, EveryAllocationFailingInTurn) {
    const int allocations = FaultFreeSession().allocations;
    ASSERT_GT(allocations, 5);
    for (int n = 1; n <= allocations; ++n) {
        ReplayWithFault(
            "allocation " + std::to_string(n) + " failing", [n](refhost::FaultInjector& faults) { faults.failAllocationOnCall(n); },
            [](refhost::FaultInjector& faults) { return faults.failedAllocationService().has_value(); },
            [](ScriptedSession& session, refhost::FaultInjector& faults, const std::string& where) {
                // Records the host keeps for the module report the failure; the table and the
                // dialog's context fail silently (the span is copied, the dialog does not open).
                const bool reported = faults.failedAllocationService() == service::NewHandle::index;
                EXPECT_EQ(session.lastMessages(), reported ? std::vector<std::string>{kOutOfMemory} : std::vector<std::string>{})
                    << where;
            });
        if (HasFatalFailure()) return;
    }
    std::printf("allocation fault points swept: %d\n", allocations);
}

TEST(FaultSweepTest, EveryServiceCallThrowingInTurn) {
    const int calls = FaultFreeSession().serviceCalls;
    ASSERT_GT(calls, 100);
    const std::string unexpectedFailure = UnexpectedFailureMessage();
    ASSERT_FALSE(unexpectedFailure.empty());
    // The sanitized and the emulated builds take every SG_SWEEP_STRIDE-th call; the plain build every one.
    int swept = 0;
    for (int n = 1; n <= calls; n += SG_SWEEP_STRIDE, ++swept) {
        ReplayWithThrow(n, unexpectedFailure);
        if (HasFatalFailure()) return;
    }
    std::printf("service-call fault points swept: %d of %d\n", swept, calls);
}

// Every call of a dialog confirmed with OK, the reports of its six parameters and the host's
// re-entries to apply them included: a host that records them (a macro recorder whose store is
// full) fails exactly there. Every build but the sanitized one under the emulator takes every call
// (SG_DIALOG_SWEEP_STRIDE).
TEST(FaultSweepTest, EveryServiceCallOfAConfirmedDialogThrowingInTurn) {
    const Reference& reference = FaultFreeSession();
    const std::string unexpectedFailure = UnexpectedFailureMessage();
    ASSERT_FALSE(reference.confirmedDialogs.empty());
    int swept = 0, refusedReleases = 0, leavingMore = 0, mixingSettings = 0;
    for (std::size_t step : reference.confirmedDialogs) {
        ASSERT_GT(step, 0u);
        for (int n = reference.serviceCallsAfter[step - 1] + 1; n <= reference.serviceCallsAfter[step];
             n += SG_DIALOG_SWEEP_STRIDE, ++swept) {
            const FaultOutcome outcome = ReplayWithThrow(n, unexpectedFailure);
            refusedReleases += outcome.leftover == Leftover::whatTheRefusalKept;
            leavingMore += outcome.leftover == Leftover::more;
            mixingSettings += outcome.mixedSettings;
            if (HasFatalFailure()) return;
        }
    }
    std::printf("confirmed-dialog throw points swept: %d; leaving behind only what a refused release kept: %d; "
                "leaving more: %d; mixing settings: %d\n",
                swept, refusedReleases, leavingMore, mixingSettings);
}

}  // namespace
}  // namespace sgtest
