// The current graphics port, as hosts and tests see it. Ports are opaque values: the screen port
// the platform owns, or a dialog's window after SetPortDialogPort.
#pragma once

namespace platform {

void* ScreenPort();
void* CurrentPort();

}  // namespace platform
