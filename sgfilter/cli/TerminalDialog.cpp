#include "cli/TerminalDialog.h"

#include <fmt/format.h>

#include <string>
#include <variant>

#include "cli/DialogText.h"
#include "util/Text.h"

namespace sgf {

namespace {

const char* const kHelp =
    "Type an item number, then for a popup its entry, for a text its text, for a control its position:\n"
    "\"15 4\" chooses entry 4 of item 15, \"17 21\" types 21 into item 17, \"18 12\" moves item 18 to position 12.\n"
    "\"1\" is OK and \"2\" Cancel; end of input cancels.\n";

// The change and hit a line asks for, or why it cannot be done.
using Request = std::variant<refhost::DialogStep, std::string>;

Request requestFor(const platform::DialogItem& item, std::string_view value) {
    const auto choice = wholeNumber<int>(value);
    switch (item.kind) {
        case platform::ItemKind::popup: {
            const int entries = static_cast<int>(item.entries.size());
            if (!choice || *choice < 1 || *choice > entries) {
                return fmt::format("item {} needs an entry from 1 to {}, e.g. \"{} 1\"", item.number, entries,
                                   item.number);
            }
            return refhost::DialogStep{item.number, static_cast<int16_t>(*choice), std::nullopt};
        }
        case platform::ItemKind::control: {
            const auto range = positionRange(item);
            if (!range) return fmt::format("item {} cannot be moved", item.number);
            if (!choice || *choice < range->first || *choice > range->last) {
                return fmt::format("item {} needs a position from {} to {}", item.number, range->first, range->last);
            }
            return refhost::DialogStep{item.number, static_cast<int16_t>(*choice), std::nullopt};
        }
        case platform::ItemKind::edit:
            if (value.empty()) return fmt::format("type the text after the item number, e.g. \"{} 21\"", item.number);
            return refhost::DialogStep{item.number, std::nullopt, std::string(value)};
        case platform::ItemKind::button:
        case platform::ItemKind::radio:
        case platform::ItemKind::checkbox:
        case platform::ItemKind::staticText:
        case platform::ItemKind::user:
            break;
    }
    if (!value.empty()) return fmt::format("item {} takes no value; type just {}", item.number, item.number);
    return refhost::DialogStep{item.number, std::nullopt, std::nullopt};
}

Request requestFor(platform::Dialog& dialog, std::string_view line) {
    const auto space = line.find_first_of(" \t");
    const std::string_view itemText = line.substr(0, space);
    const std::string_view value = space == std::string_view::npos ? std::string_view() : trimmed(line.substr(space));
    const auto number = wholeNumber<int>(itemText);
    const platform::DialogItem* item = number ? dialog.FindItem(static_cast<short>(*number)) : nullptr;
    if (item == nullptr || *number != item->number || !canActOn(*item)) {
        return fmt::format("\"{}\" is not one of the item numbers on the left", itemText);
    }
    if (!item->enabled) return fmt::format("item {} is disabled", item->number);
    return requestFor(*item, value);
}

}  // namespace

int16_t TerminalDialog::nextHit(platform::Dialog& dialog) {
    output_ << '\n' << dialogText(dialog);
    if (!explained_) output_ << kHelp;
    explained_ = true;
    for (;;) {
        output_ << "> " << std::flush;
        std::string line;
        if (!std::getline(input_, line)) {
            output_ << "(end of input: Cancel)\n";
            return refhost::kCancelItem;
        }
        if (trimmed(line).empty()) continue;
        const Request request = requestFor(dialog, trimmed(line));
        if (const auto* problem = std::get_if<std::string>(&request)) {
            output_ << *problem << '\n';
            continue;
        }
        const auto& step = std::get<refhost::DialogStep>(request);
        refhost::ChangeItem(*dialog.FindItem(step.item), step);
        return step.item;
    }
}

}  // namespace sgf
