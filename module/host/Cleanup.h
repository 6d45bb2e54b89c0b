// Undoing what a request holds in the host (a lock, a bracket, a block, a dialog) when a host
// service throws part way through: the exception still reaches the catch-all, but the host gets
// back everything the module took from it on the way.
#pragma once

#include <utility>

namespace sg {

// One undo step. The normal path runs it at its own place with Run(), so the host sees its calls
// in the usual order; if an exception leaves the scope first, the destructor runs it instead.
// A host service that throws again during unwinding is ignored: the destructor must not throw
// (that would end the process), and the remaining steps still run.
// A release-type service that throws (the host failed to unlock, release, end or dispose) is
// never retried, neither by Run() nor by the destructor: the host has said it cannot take that
// thing back, and asking again could release it twice. That one thing stays with the host.
template <class Action>
class Cleanup {
public:
    explicit Cleanup(Action action) : action_(std::move(action)) {}
    ~Cleanup() {
        if (!pending_) return;
        pending_ = false;
        try {
            action_();
        } catch (...) {
            // The host failed again while taking back what it lent; the first failure is the one
            // the catch-all reports.
        }
    }
    Cleanup(const Cleanup&) = delete;
    Cleanup& operator=(const Cleanup&) = delete;

    // Runs the step now, once. A throw from it goes on to the caller, as any host failure does,
    // and the destructor does not try again.
    void Run() {
        if (!pending_) return;
        pending_ = false;
        action_();
    }
    // The step is no longer needed: what it would undo is kept.
    void Dismiss() { pending_ = false; }

private:
    Action action_;
    bool pending_ = true;
};

}  // namespace sg
