// A module's dialog as text for a terminal: the title, then each item a person can act on, under
// the dialog's own item number and with its current state, so the number is all one types.
#pragma once

#include <optional>
#include <string>

#include "platform/Dialogs.h"

namespace sgf {

// Buttons, radio buttons, check boxes, popups, text fields and controls; labels and user items
// only show the dialog's layout.
bool canActOn(const platform::DialogItem& item);

// The positions a stepped control can be moved to now: from its smallest allowed position to its
// last step. Nothing for an item without a stepped control.
struct PositionRange {
    int first;
    int last;
};
std::optional<PositionRange> positionRange(const platform::DialogItem& item);

std::string dialogText(const platform::Dialog& dialog);

}  // namespace sgf
