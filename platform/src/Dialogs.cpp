// Live dialogs and the Carbon calls on dialogs and their windows.
#include "platform/Carbon.h"
#include "platform/Dialogs.h"

#include "DialogRegistry.h"
#include "Misuse.h"
#include "PascalString.h"

#include <algorithm>
#include <exception>

namespace platform {
namespace {

std::vector<std::unique_ptr<Dialog>>& LiveDialogs() {
  static std::vector<std::unique_ptr<Dialog>> dialogs;
  return dialogs;
}

Dialog* FindLive(bool (*matches)(const Dialog&, const void*), const void* pointer) {
  for (const auto& dialog : LiveDialogs()) {
    if (matches(*dialog, pointer)) return dialog.get();
  }
  return nullptr;
}

Dialog& RequireLive(bool (*matches)(const Dialog&, const void*), const void* pointer,
                    const char* call, const char* problem) {
  Dialog* dialog = pointer != nullptr ? FindLive(matches, pointer) : nullptr;
  if (dialog == nullptr) AbortCarbonCall(call, problem);
  return *dialog;
}

bool IsDialog(const Dialog& dialog, const void* pointer) { return &dialog == pointer; }

bool IsWindowOf(const Dialog& dialog, const void* pointer) { return &dialog.window == pointer; }

bool HasControl(const Dialog& dialog, const void* pointer) {
  return std::any_of(dialog.items.begin(), dialog.items.end(),
                     [pointer](const DialogItem& item) { return item.control.get() == pointer; });
}

DialogItem MakeItem(const DialogItemResource& resource) {
  DialogItem item;
  item.number = resource.number;
  item.kind = resource.kind;
  item.text = resource.text;
  item.entries = resource.entries;
  item.box = resource.box;
  if (item.kind == ItemKind::popup && !item.entries.empty()) {
    item.value = 1;
    item.minimum = 1;
    item.maximum = static_cast<short>(item.entries.size());
  }
  if (item.kind == ItemKind::control) item.control = std::make_unique<Control>();
  return item;
}

}  // namespace

Dialog::Dialog(short id, const DialogResource& resource)
    : resourceId(id), window{resource.title, 0} {
  for (const DialogItemResource& item : resource.items) items.push_back(MakeItem(item));
}

DialogItem* Dialog::FindItem(short number) {
  auto found = std::find_if(items.begin(), items.end(),
                            [number](const DialogItem& item) { return item.number == number; });
  return found == items.end() ? nullptr : &*found;
}

Dialog* NewDialogFromResource(short id) {
  const DialogResource* resource = FindDialogResource(id);
  if (resource == nullptr) return nullptr;
  LiveDialogs().push_back(std::unique_ptr<Dialog>(new Dialog(id, *resource)));
  return LiveDialogs().back().get();
}

Dialog& RequireDialog(const void* dialog, const char* call) {
  return RequireLive(IsDialog, dialog, call, "not a live dialog (unknown or already disposed)");
}

Dialog& RequireWindowOwner(const void* window, const char* call) {
  return RequireLive(IsWindowOf, window, call, "not the window of a live dialog");
}

Control& RequireControl(void* control, const char* call) {
  RequireLive(HasControl, control, call, "not a control of a live dialog");
  return *static_cast<Control*>(control);
}

Dialog& DialogFromOpaque(void* dialog) { return RequireDialog(dialog, "DialogFromOpaque"); }

Dialog& DialogOfWindow(void* window) { return RequireWindowOwner(window, "DialogOfWindow"); }

long GetWRefCon(void* window) { return RequireWindowOwner(window, "GetWRefCon").window.refCon; }

std::size_t LiveDialogCount() { return LiveDialogs().size(); }

}  // namespace platform

void* GetDialogWindow(void* dialog) {
  return &platform::RequireDialog(dialog, "GetDialogWindow").window;
}

void GetWTitle(void* window, unsigned char* title) {
  const platform::Dialog& dialog = platform::RequireWindowOwner(window, "GetWTitle");
  platform::RequireNonNull(title, "GetWTitle", "null title buffer");
  platform::WritePascalString(title, dialog.window.title);
}

void SetWTitle(void* window, const unsigned char* title) {
  platform::Dialog& dialog = platform::RequireWindowOwner(window, "SetWTitle");
  platform::RequireNonNull(title, "SetWTitle", "null title");
  try {
    dialog.window.title = platform::ReadPascalString(title);
  } catch (const std::exception& error) {
    platform::AbortCarbonCall("SetWTitle", error.what());
  }
}

void SetWRefCon(void* window, long refCon) {
  platform::RequireWindowOwner(window, "SetWRefCon").window.refCon = refCon;
}

void DisposeDialog(void* dialog) {
  platform::RequireDialog(dialog, "DisposeDialog");
  // A port that still names this dialog's window is left as it is: ports are never dereferenced,
  // and a host can then see that the module did not restore its port.
  auto& dialogs = platform::LiveDialogs();
  dialogs.erase(std::find_if(dialogs.begin(), dialogs.end(),
                             [dialog](const auto& live) { return live.get() == dialog; }));
}
