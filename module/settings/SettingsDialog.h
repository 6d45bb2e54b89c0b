// The settings dialog's per-run state and its user-item procedures.
#pragma once

#include <cstdint>

#include "settings/FunctionInstance.h"

namespace sg {

// One per open dialog: a non-relocatable block from the host, also stored as the reference
// value of the dialog's window.
struct DialogContext {
    FunctionInstance** instance;
    LocalDataType** workingSettings;  // the copy the dialog edits; locked while it exists
    int16_t resourceId;
};
static_assert(sizeof(DialogContext) == 12);

// Releases the working copy and the context; the variable is null afterwards.
void DisposeDialogContext(DialogContext*& context);

// Draw user items through the host.
void UserItemProcA(void* dialog, int16_t item);
void UserItemProcB(void* dialog, int16_t item);

}  // namespace sg
