// The host's side of a module's modal dialogs: who answers each wait for an item hit (a script
// in tests, a person through the command-line program), and what the module asked the dialog
// services to do.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace refhost {

// Answers RunModalDialog: changes the dialog as a person would (choosing a popup entry, typing
// into a text item, moving the width control) and returns the item that was hit.
class DialogDriver {
public:
    virtual ~DialogDriver() = default;
    virtual int16_t nextHit(platform::Dialog& dialog) = 0;
};

// One step of a scripted person: an optional change to the item, then a hit on it.
struct DialogStep {
    int16_t item;
    std::optional<int16_t> value;  // a popup entry (from 1) or a control position
    std::optional<std::string> text;  // typed into an edit-text item
};

// Replays steps in order; when they run out it cancels, so a short script cannot hang a test.
class ScriptedDialog : public DialogDriver {
public:
    explicit ScriptedDialog(std::vector<DialogStep> steps) : steps_(std::move(steps)) {}
    int16_t nextHit(platform::Dialog& dialog) override;
    bool finished() const { return next_ >= steps_.size(); }

private:
    std::vector<DialogStep> steps_;
    std::size_t next_ = 0;
};

inline constexpr int16_t kCancelItem = 2;

// Applies a person's change to one item: a popup's entry, an edit text, or the position of a
// control whose value follows its position.
void ChangeItem(platform::DialogItem& item, const DialogStep& step);

// The value a stepped control shows at a position: 'MgMn' at position 1, rising by
// ('MgMx' - 'MgMn') / 'MgSt' per position. Nothing when the control lacks that data.
std::optional<double> ControlValueAt(const platform::Control& control, int position);
std::optional<double> ControlValue(const platform::Control& control);
// The last position of a stepped control: one more than its number of steps.
std::optional<int> ControlLastPosition(const platform::Control& control);
// Moves a stepped control to a position, limited to its range, and sets its value to match.
void MoveControl(platform::DialogItem& item, int position);

struct UserItemDraw {
    char procedure;  // 'A' or 'B'
    int16_t item;
};

struct DialogRecords {
    std::vector<UserItemDraw> userItemDraws;
    int dialogsBegun = 0;
    int dialogsEnded = 0;
    int modalWaits = 0;
    std::vector<std::string> attachedResources;  // "<name> <type> <id> <zero> <eight>"
};

class DialogSession {
public:
    void setDriver(std::shared_ptr<DialogDriver> driver) { driver_ = std::move(driver); }
    DialogDriver* driver() const { return driver_.get(); }
    DialogRecords& records() { return records_; }
    // The dialog between BeginDialog and EndDialog, which the modal waits are about.
    platform::Dialog* openDialog() const { return open_; }
    void setOpenDialog(platform::Dialog* dialog) { open_ = dialog; }

private:
    std::shared_ptr<DialogDriver> driver_;
    DialogRecords records_;
    platform::Dialog* open_ = nullptr;
};

}  // namespace refhost
