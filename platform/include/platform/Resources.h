// The resource manager behind GetIndString and the dialogs: one chain of open resource files
// shared by every host and module in the process.
//
// A resource file is JSON, one per module or host:
//
//   { "strings": { "4700": ["first item", "second item"] },
//     "dialogs": { "4710": { "title": "Window title", "items": [
//         {"number": 1, "kind": "button", "text": "OK", "box": [300, 260, 80, 24]},
//         {"number": 13, "kind": "popup", "text": "Output:", "entries": ["Smoothing", "Slope"]},
//         {"number": 4, "kind": "user"} ] } } }
//
// - Both top-level members are optional; no other member is allowed.
// - Resource ids are the object keys, written as decimal numbers in the range of a short.
// - "strings" maps a list id to its items; item `index` 1 is the first element.
// - A dialog has a "title" (optional, default "") and "items". Each item has a "number" (1 to
//   32767, unique within the dialog; numbers may skip), a "kind" (button, radio, checkbox, popup,
//   edit, static, user, control), an optional "text", for popups only, optional "entries", and
//   an optional "box": its place in the dialog, [left, top, width, height] in points from the
//   dialog's top left corner, whole numbers with left and top from 0 and width and height from
//   1, right and bottom edges within 32767. The dialog's items are exactly those listed.
// - Every text is UTF-8 and at most 255 bytes, because it travels as a length-prefixed string.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class ItemKind { button, radio, checkbox, popup, edit, staticText, user, control };

// An item's rectangle in points, from the dialog's top left corner.
struct ItemBox {
  short left = 0;
  short top = 0;
  short width = 0;
  short height = 0;

  friend bool operator==(const ItemBox&, const ItemBox&) = default;
};

struct DialogItemResource {
  short number = 0;
  ItemKind kind = ItemKind::staticText;
  std::string text;
  std::vector<std::string> entries;  // popup menu items, in menu order
  std::optional<ItemBox> box;        // none: the host places the item
};

struct DialogResource {
  std::string title;
  std::vector<DialogItemResource> items;  // in the order the file lists them
};

// Opens and parses a resource file, adds it to the chain and makes it current. Returns its
// reference number (positive; the numbers of closed files come round again after 32767 opens, never
// while still open). Throws std::runtime_error naming the file and the problem when the
// file cannot be read or is not a valid resource file.
short OpenResourceFile(const std::filesystem::path& path);

// Removes a file from the chain. Closing the current file makes the next older file current; if
// there is none, the newest remaining file (0 when the chain is empty). Throws
// std::invalid_argument for a reference number that is not open.
void CloseResourceFile(short ref);

// Makes an open file current: searches start there and continue through older files. Throws
// std::invalid_argument for a reference number that is not open.
void UseResourceFile(short ref);

// The current file's reference number, 0 when no file is open.
short CurrentResourceFile();

// Searches the chain from the current file towards older files. The results point into the file
// that holds them and stay valid until that file is closed; null when nothing matches.
const std::string* FindStringListItem(short listId, short index);
const DialogResource* FindDialogResource(short id);

}  // namespace platform
