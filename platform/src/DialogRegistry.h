// Lookups the Carbon calls use to turn opaque pointers into live objects. Each stops the process
// (naming `call`) when the pointer belongs to no live dialog.
#pragma once

#include "platform/Dialogs.h"

namespace platform {

Dialog& RequireDialog(const void* dialog, const char* call);
Dialog& RequireWindowOwner(const void* window, const char* call);
Control& RequireControl(void* control, const char* call);

}  // namespace platform
