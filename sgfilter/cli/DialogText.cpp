#include "cli/DialogText.h"

#include <fmt/format.h>

#include <algorithm>

#include "refhost/DialogSession.h"

namespace sgf {

namespace {

// An edit field's text is what was typed into it, and so is no name; the label placed before it
// in the dialog names it.
std::string labelOf(const platform::Dialog& dialog, const platform::DialogItem& item) {
    std::string label = item.kind == platform::ItemKind::edit ? std::string() : item.text;
    if (label.empty()) {
        for (const platform::DialogItem& other : dialog.items) {
            if (&other == &item) break;
            if (other.kind == platform::ItemKind::staticText) label = other.text;
        }
    }
    while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
    return label;
}

std::string popupText(const std::string& label, const platform::DialogItem& item) {
    std::string text = label + ":";
    for (std::size_t index = 0; index < item.entries.size(); ++index) {
        const auto entry = static_cast<int>(index) + 1;
        text += entry == item.value ? fmt::format("  [{}) {}]", entry, item.entries[index])
                                    : fmt::format("  {}) {}", entry, item.entries[index]);
    }
    return text;
}

// The control is moved by position, so the positions it takes now are shown with the values they
// give. Its current position is not shown: the value alone is set when the dialog opens.
std::string controlText(const std::string& label, const platform::DialogItem& item) {
    const auto value = refhost::ControlValue(*item.control);
    std::string text = fmt::format("{}: {}", label, value ? fmt::format("{:g}", *value) : "?");
    const auto range = positionRange(item);
    if (!range) return text;
    const auto first = refhost::ControlValueAt(*item.control, range->first);
    const auto last = refhost::ControlValueAt(*item.control, range->last);
    const auto step = refhost::ControlValueAt(*item.control, range->first + 1);
    if (!first || !last || !step) return text;
    return text + fmt::format("  (positions {} to {} give {:g} to {:g}, in steps of {:g})", range->first, range->last,
                              *first, *last, *step - *first);
}

std::string itemText(const platform::Dialog& dialog, const platform::DialogItem& item) {
    switch (item.kind) {
        case platform::ItemKind::radio:
            return (item.checked ? "(*) " : "( ) ") + item.text;
        case platform::ItemKind::checkbox:
            return (item.checked ? "[x] " : "[ ] ") + item.text;
        case platform::ItemKind::popup:
            return popupText(labelOf(dialog, item), item);
        case platform::ItemKind::edit:
            return fmt::format("{}: \"{}\"", labelOf(dialog, item), item.text);
        case platform::ItemKind::control:
            return controlText(labelOf(dialog, item), item);
        case platform::ItemKind::button:
        case platform::ItemKind::staticText:
        case platform::ItemKind::user:
            break;
    }
    return item.text;
}

}  // namespace

bool canActOn(const platform::DialogItem& item) {
    return item.kind != platform::ItemKind::staticText && item.kind != platform::ItemKind::user;
}

std::optional<PositionRange> positionRange(const platform::DialogItem& item) {
    if (!item.control) return std::nullopt;
    const auto last = refhost::ControlLastPosition(*item.control);
    if (!last) return std::nullopt;
    return PositionRange{std::max<int>(item.minimum, 1), *last};
}

std::string dialogText(const platform::Dialog& dialog) {
    std::string text = fmt::format("{}\n{}\n", dialog.window.title, std::string(dialog.window.title.size(), '-'));
    // Buttons close the dialog, so they come last, as they sit at the foot of a dialog window.
    for (const bool buttons : {false, true}) {
        for (const platform::DialogItem& item : dialog.items) {
            if (!canActOn(item) || (item.kind == platform::ItemKind::button) != buttons) continue;
            text +=
                fmt::format("{:>5}  {}{}\n", item.number, itemText(dialog, item), item.enabled ? "" : "  (disabled)");
        }
    }
    return text;
}

}  // namespace sgf
