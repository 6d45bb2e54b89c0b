// The chain of open resource files and the one Carbon call that reads it, GetIndString.
#include "platform/Carbon.h"
#include "platform/Resources.h"

#include "Misuse.h"
#include "PascalString.h"
#include "ResourceFile.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
namespace {

struct OpenFile {
  short ref;
  std::unique_ptr<const ResourceFile> contents;  // stable address for the Find* results
};

struct Chain {
  std::vector<OpenFile> files;  // oldest first
  short current = 0;
  short lastRef = 0;
};

Chain& TheChain() {
  static Chain chain;
  return chain;
}

std::vector<OpenFile>::iterator FindOpenFile(short ref, const char* call) {
  auto& files = TheChain().files;
  auto found = std::find_if(files.begin(), files.end(),
                            [ref](const OpenFile& file) { return file.ref == ref; });
  if (found == files.end()) {
    throw std::invalid_argument(std::string(call) + ": resource file " + std::to_string(ref) +
                                " is not open");
  }
  return found;
}

// Visits the current file, then each older one, until `visit` returns a result.
template <typename Result, typename Visit>
const Result* SearchChain(Visit visit) {
  const Chain& chain = TheChain();
  auto current = std::find_if(chain.files.rbegin(), chain.files.rend(),
                              [&](const OpenFile& file) { return file.ref == chain.current; });
  for (auto file = current; file != chain.files.rend(); ++file) {
    if (const Result* result = visit(*file->contents)) return result;
  }
  return nullptr;
}

}  // namespace

short OpenResourceFile(const std::filesystem::path& path) {
  Chain& chain = TheChain();
  auto contents = std::make_unique<const ResourceFile>(LoadResourceFile(path));
  // Numbers are handed out in turn and come round again only after all 32767 have been used, so a
  // stale number held by a host reaches a different file only after that many opens, and a
  // process that opens and closes files for as long as it runs never runs out.
  short ref = 0;
  for (int tries = 0; tries < 32767 && ref == 0; ++tries) {
    chain.lastRef = static_cast<short>(chain.lastRef == 32767 ? 1 : chain.lastRef + 1);
    const short candidate = chain.lastRef;
    const bool open = std::any_of(chain.files.begin(), chain.files.end(),
                                  [candidate](const OpenFile& file) { return file.ref == candidate; });
    if (!open) ref = candidate;
  }
  if (ref == 0) throw std::runtime_error(path.string() + ": no resource file numbers left");
  chain.files.push_back({ref, std::move(contents)});
  chain.current = ref;
  return ref;
}

void CloseResourceFile(short ref) {
  Chain& chain = TheChain();
  auto file = FindOpenFile(ref, "CloseResourceFile");
  if (chain.current == ref) {
    if (file != chain.files.begin()) {
      chain.current = std::prev(file)->ref;
    } else {
      chain.current = chain.files.size() > 1 ? chain.files.back().ref : 0;
    }
  }
  chain.files.erase(file);
}

void UseResourceFile(short ref) { TheChain().current = FindOpenFile(ref, "UseResourceFile")->ref; }

short CurrentResourceFile() { return TheChain().current; }

// A list is one resource: the first list with the id along the chain hides those in older files,
// even where it is shorter.
const std::string* FindStringListItem(short listId, short index) {
  const auto* list = SearchChain<std::vector<std::string>>(
      [&](const ResourceFile& file) -> const std::vector<std::string>* {
        auto found = file.stringLists.find(listId);
        return found == file.stringLists.end() ? nullptr : &found->second;
      });
  if (list == nullptr || index < 1 || static_cast<std::size_t>(index) > list->size()) {
    return nullptr;
  }
  return &(*list)[static_cast<std::size_t>(index) - 1];
}

const DialogResource* FindDialogResource(short id) {
  return SearchChain<DialogResource>([&](const ResourceFile& file) -> const DialogResource* {
    auto dialog = file.dialogs.find(id);
    return dialog == file.dialogs.end() ? nullptr : &dialog->second;
  });
}

}  // namespace platform

// The search neither allocates nor throws, so nothing can escape to the C caller.
void GetIndString(unsigned char* theString, short strListID, short index) {
  platform::RequireNonNull(theString, "GetIndString", "null string buffer");
  const std::string* item = platform::FindStringListItem(strListID, index);
  platform::WritePascalString(theString, item != nullptr ? *item : std::string_view());
}
