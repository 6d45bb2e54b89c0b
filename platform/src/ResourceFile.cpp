#include "ResourceFile.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace platform {
namespace {

using nlohmann::json;

// Problems are reported with the place in the file; LoadResourceFile prefixes the path.
[[noreturn]] void Reject(const std::string& where, const std::string& problem) {
  throw std::runtime_error(where + ": " + problem);
}

void RequireObject(const json& value, const std::string& where) {
  if (!value.is_object()) Reject(where, "must be a JSON object");
}

void RejectUnknownMembers(const json& object, std::initializer_list<std::string_view> known,
                          const std::string& where) {
  for (const auto& [name, value] : object.items()) {
    bool isKnown = false;
    for (std::string_view candidate : known) isKnown = isKnown || name == candidate;
    if (!isKnown) Reject(where, "unknown member \"" + name + "\"");
  }
}

short ParseResourceId(const std::string& key, const std::string& where) {
  int id = 0;
  const char* end = key.data() + key.size();
  auto [stop, error] = std::from_chars(key.data(), end, id);
  if (key.empty() || error != std::errc{} || stop != end || id < -32768 || id > 32767) {
    Reject(where, "resource id \"" + key + "\" is not a number from -32768 to 32767");
  }
  return static_cast<short>(id);
}

// Texts end up in length-prefixed strings, so anything longer than 255 bytes cannot be delivered.
std::string ParseText(const json& value, const std::string& where) {
  if (!value.is_string()) Reject(where, "must be a string");
  std::string text = value.get<std::string>();
  if (text.size() > 255) {
    Reject(where, "is " + std::to_string(text.size()) + " bytes long; at most 255 are allowed");
  }
  return text;
}

std::vector<std::string> ParseTextList(const json& value, const std::string& where) {
  if (!value.is_array()) Reject(where, "must be an array of strings");
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < value.size(); ++i) {
    texts.push_back(ParseText(value[i], where + " item " + std::to_string(i + 1)));
  }
  return texts;
}

ItemKind ParseItemKind(const json& value, const std::string& where) {
  static const std::pair<std::string_view, ItemKind> kinds[] = {
      {"button", ItemKind::button}, {"radio", ItemKind::radio},
      {"checkbox", ItemKind::checkbox}, {"popup", ItemKind::popup},
      {"edit", ItemKind::edit}, {"static", ItemKind::staticText},
      {"user", ItemKind::user}, {"control", ItemKind::control}};
  if (value.is_string()) {
    for (const auto& [name, kind] : kinds) {
      if (value.get<std::string>() == name) return kind;
    }
  }
  Reject(where, "kind must be one of button, radio, checkbox, popup, edit, static, user, control");
}

ItemBox ParseItemBox(const json& value, const std::string& where) {
  const std::string problem =
      "box must be [left, top, width, height]: whole numbers, left and top from 0, width and "
      "height from 1, right and bottom edges within 32767";
  if (!value.is_array() || value.size() != 4) Reject(where, problem);
  long long numbers[4] = {};
  for (std::size_t i = 0; i < 4; ++i) {
    if (!value[i].is_number_integer()) Reject(where, problem);
    numbers[i] = value[i].get<long long>();
    if (numbers[i] < 0 || numbers[i] > 32767) Reject(where, problem);
  }
  const auto [left, top, width, height] = numbers;
  if (width < 1 || height < 1 || left + width > 32767 || top + height > 32767) {
    Reject(where, problem);
  }
  return {static_cast<short>(left), static_cast<short>(top), static_cast<short>(width),
          static_cast<short>(height)};
}

DialogItemResource ParseDialogItem(const json& value, const std::string& where) {
  RequireObject(value, where);
  RejectUnknownMembers(value, {"number", "kind", "text", "entries", "box"}, where);
  DialogItemResource item;
  const json& number = value.value("number", json());
  if (!number.is_number_integer() || number.get<long long>() < 1 ||
      number.get<long long>() > 32767) {
    Reject(where, "number must be an integer from 1 to 32767");
  }
  item.number = static_cast<short>(number.get<int>());
  item.kind = ParseItemKind(value.value("kind", json()), where);
  if (value.contains("text")) item.text = ParseText(value["text"], where + " text");
  if (value.contains("entries")) {
    if (item.kind != ItemKind::popup) Reject(where, "only popups have entries");
    item.entries = ParseTextList(value["entries"], where + " entries");
  }
  if (value.contains("box")) item.box = ParseItemBox(value["box"], where);
  return item;
}

DialogResource ParseDialog(const json& value, const std::string& where) {
  RequireObject(value, where);
  RejectUnknownMembers(value, {"title", "items"}, where);
  DialogResource dialog;
  if (value.contains("title")) dialog.title = ParseText(value["title"], where + " title");
  const json& items = value.value("items", json());
  if (!items.is_array()) Reject(where, "items must be an array");
  for (std::size_t i = 0; i < items.size(); ++i) {
    DialogItemResource item = ParseDialogItem(items[i], where + " item " + std::to_string(i + 1));
    for (const DialogItemResource& earlier : dialog.items) {
      if (earlier.number == item.number) {
        Reject(where, "item number " + std::to_string(item.number) + " appears twice");
      }
    }
    dialog.items.push_back(std::move(item));
  }
  return dialog;
}

ResourceFile ParseResourceFile(const json& root) {
  RequireObject(root, "top level");
  RejectUnknownMembers(root, {"strings", "dialogs"}, "top level");
  ResourceFile file;
  if (root.contains("strings")) {
    RequireObject(root["strings"], "strings");
    for (const auto& [key, list] : root["strings"].items()) {
      const std::string where = "strings " + key;
      file.stringLists[ParseResourceId(key, where)] = ParseTextList(list, where);
    }
  }
  if (root.contains("dialogs")) {
    RequireObject(root["dialogs"], "dialogs");
    for (const auto& [key, dialog] : root["dialogs"].items()) {
      const std::string where = "dialog " + key;
      file.dialogs[ParseResourceId(key, where)] = ParseDialog(dialog, where);
    }
  }
  return file;
}

}  // namespace

ResourceFile LoadResourceFile(const std::filesystem::path& path) {
  const std::string name = path.string();
  std::ifstream stream(path, std::ios::binary);
  if (!stream) throw std::runtime_error(name + ": cannot open the file");
  json root;
  try {
    root = json::parse(stream);
  } catch (const json::parse_error& error) {
    throw std::runtime_error(name + ": not valid JSON: " + error.what());
  }
  try {
    return ParseResourceFile(root);
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(name + ": " + error.what());
  }
}

}  // namespace platform
