// The module's settings dialog answered from the page: another DialogDriver, like the terminal's.
// Each wait of the module for an item hit shows the dialog's state to the page and waits for the
// page's next hit, which comes on a server thread. The module's own rules (which items are
// enabled, the smallest width for an order, a typed width made odd) run in the module between
// hits, and the page sees their outcome in the state that the next wait shows.
#pragma once

#include <nlohmann/json.hpp>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "refhost/DialogSession.h"

namespace sgf {

struct DialogHit {
    int16_t item;
    std::optional<int16_t> value;     // a popup's entry (from 1) or a control's position
    std::optional<std::string> text;  // typed into a text item
};

class WebDialog : public refhost::DialogDriver {
public:
    // On the thread of the module's call: publishes the dialog and waits for a hit. Cancel when
    // the dialog is abandoned.
    int16_t nextHit(platform::Dialog& dialog) override;

    // On server threads. The state after `version`: the dialog waiting for a hit, or closed with
    // its outcome. {"version": N, "open": bool, "dialog": {...}} or {..., "result": {...}}.
    nlohmann::json stateAfter(uint64_t version);
    uint64_t version();
    // Hands a hit to the waiting dialog. Throws UsageError when none waits, or the hit is not
    // one a person could make (an item that is not there, disabled, or a value out of range).
    void hit(const DialogHit& hit);
    // The module's call has returned.
    void closed(nlohmann::json result);
    // The server stops: a waiting dialog is cancelled, and none waits again.
    void abandon();

private:
    void publish(nlohmann::json state);

    std::mutex mutex_;
    std::condition_variable changed_;
    nlohmann::json state_{{"open", false}};
    uint64_t version_ = 0;
    platform::Dialog* waiting_ = nullptr;
    std::optional<DialogHit> hit_;
    bool abandoned_ = false;
};

// The dialog's items in resource order, with their kinds, texts and current state, and the box
// each has in the resource. "size" [width, height]: the laid-out items' extent with its margin,
// when any item has a box.
nlohmann::json dialogJson(const platform::Dialog& dialog);

}  // namespace sgf
