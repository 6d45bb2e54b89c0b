// The current graphics port. Nothing is drawn, so a port is only an identity that modules save,
// switch and restore.
#include "platform/Carbon.h"
#include "platform/Ports.h"

#include "DialogRegistry.h"
#include "Misuse.h"

namespace platform {
namespace {

char screenPort;  // only its address is used
void* currentPort = &screenPort;

}  // namespace

void* ScreenPort() { return &screenPort; }

void* CurrentPort() { return currentPort; }

}  // namespace platform

void GetPort(void** port) {
  platform::RequireNonNull(port, "GetPort", "null port variable");
  *port = platform::currentPort;
}

void SetPort(void* port) { platform::currentPort = port; }

// A dialog's port is its window's port, so the window stands for it.
void SetPortDialogPort(void* dialog) {
  platform::currentPort = &platform::RequireDialog(dialog, "SetPortDialogPort").window;
}
