// Dialogs, their windows and controls, as hosts see them. Hosts build dialogs here and implement
// their item services on top; modules only ever hold opaque pointers.
//
// Opaque pointers: the `void* dialog` of the Carbon calls is a `Dialog*`, the `void* window` is
// `&dialog->window`, and the `void* control` is `item.control.get()`. Hosts pass a `Dialog*`
// where a `void*` is wanted and turn a pointer received from a module back with DialogFromOpaque
// or DialogOfWindow, which check that the dialog is still alive. Every dialog, window or control
// pointer a Carbon call receives is checked the same way: an unknown or disposed one stops the
// process with a message on stderr, since it means the module is misbehaving. (A null control is
// the exception: the control-data calls answer it with -50.)
#pragma once

#include "platform/Resources.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

using UserItemProc = void (*)(void* dialog, short item);

struct Window {
  std::string title;  // at most 255 bytes, as it travels as a length-prefixed string
  long refCon = 0;
};

// A control keeps one set of data per four-character tag; part codes are not distinguished.
struct Control {
  std::map<unsigned long, std::vector<unsigned char>> data;
};

struct DialogItem {
  short number = 0;
  ItemKind kind = ItemKind::staticText;
  std::string text;
  std::vector<std::string> entries;
  std::optional<ItemBox> box;
  // A popup with entries starts at its first entry with the range 1 to the number of entries;
  // everything else starts at 0.
  short value = 0;
  short minimum = 0;
  short maximum = 0;
  bool enabled = true;
  bool checked = false;
  UserItemProc userItemProc = nullptr;
  std::unique_ptr<Control> control;  // present exactly for kind `control`
};

class Dialog {
 public:
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Null when the dialog has no item with that number.
  DialogItem* FindItem(short number);

  short resourceId;
  Window window;
  std::vector<DialogItem> items;  // in resource order

 private:
  Dialog(short id, const DialogResource& resource);
  friend Dialog* NewDialogFromResource(short id);
};

// Builds dialog `id` from the resource chain as it stands now and registers it as live; null
// when the chain has no such dialog. The dialog lives until DisposeDialog.
Dialog* NewDialogFromResource(short id);

// The live dialog behind an opaque dialog pointer, or the one owning an opaque window pointer.
Dialog& DialogFromOpaque(void* dialog);
Dialog& DialogOfWindow(void* window);

// The reference value stored with SetWRefCon.
long GetWRefCon(void* window);

// Dialogs created and not yet disposed; hosts check it returns to 0 after a module's dialog.
std::size_t LiveDialogCount();

}  // namespace platform
