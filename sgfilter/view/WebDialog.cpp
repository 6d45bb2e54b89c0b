#include "view/WebDialog.h"

#include <fmt/format.h>

#include <algorithm>

#include "cli/DialogText.h"
#include "util/Errors.h"

namespace sgf {

namespace {

const char* kindName(platform::ItemKind kind) {
    switch (kind) {
        case platform::ItemKind::button: return "button";
        case platform::ItemKind::radio: return "radio";
        case platform::ItemKind::checkbox: return "checkbox";
        case platform::ItemKind::popup: return "popup";
        case platform::ItemKind::edit: return "edit";
        case platform::ItemKind::staticText: return "static";
        case platform::ItemKind::user: return "user";
        case platform::ItemKind::control: return "control";
    }
    return "";
}

nlohmann::json controlJson(const platform::DialogItem& item) {
    nlohmann::json json = nlohmann::json::object();
    if (const auto value = refhost::ControlValue(*item.control)) json["value"] = *value;
    if (const auto range = positionRange(item)) {
        json["first"] = range->first;
        json["last"] = range->last;
        nlohmann::json values = nlohmann::json::array();
        for (int position = range->first; position <= range->last; ++position) {
            values.push_back(refhost::ControlValueAt(*item.control, position).value_or(0.0));
        }
        json["values"] = std::move(values);  // by position, from `first`
    }
    return json;
}

// What a person could do to the item, or why not.
void requirePossible(const platform::DialogItem* item, const DialogHit& hit) {
    if (item == nullptr || !canActOn(*item)) throw UsageError(fmt::format("the dialog has no item {} to act on", hit.item));
    if (!item->enabled) throw UsageError(fmt::format("item {} is disabled", hit.item));
    if (item->kind == platform::ItemKind::popup && hit.value &&
        (*hit.value < 1 || *hit.value > static_cast<int>(item->entries.size()))) {
        throw UsageError(fmt::format("item {} has entries 1 to {}", hit.item, item->entries.size()));
    }
    if (item->kind == platform::ItemKind::control && hit.value) {
        const auto range = positionRange(*item);
        if (!range || *hit.value < range->first || *hit.value > range->last) {
            throw UsageError(fmt::format("item {} cannot be moved to position {}", hit.item, *hit.value));
        }
    }
}

}  // namespace

nlohmann::json dialogJson(const platform::Dialog& dialog) {
    nlohmann::json items = nlohmann::json::array();
    // The laid-out items' extent, with the margin at the top left kept at the bottom right too.
    int left = INT16_MAX, top = INT16_MAX, right = 0, bottom = 0;
    for (const platform::DialogItem& item : dialog.items) {
        nlohmann::json json{{"number", item.number}, {"kind", kindName(item.kind)}, {"text", item.text},
                            {"enabled", item.enabled}, {"checked", item.checked}, {"value", item.value}};
        if (!item.entries.empty()) json["entries"] = item.entries;
        if (item.control) json["control"] = controlJson(item);
        if (const auto& box = item.box) {
            json["box"] = {box->left, box->top, box->width, box->height};
            left = std::min<int>(left, box->left);
            top = std::min<int>(top, box->top);
            right = std::max(right, box->left + box->width);
            bottom = std::max(bottom, box->top + box->height);
        }
        items.push_back(std::move(json));
    }
    nlohmann::json json{{"title", dialog.window.title}, {"items", std::move(items)}};
    if (right > 0) json["size"] = {right + left, bottom + top};
    return json;
}

void WebDialog::publish(nlohmann::json state) {
    state["version"] = ++version_;
    state_ = std::move(state);
    changed_.notify_all();
}

int16_t WebDialog::nextHit(platform::Dialog& dialog) {
    std::unique_lock lock(mutex_);
    if (abandoned_) return refhost::kCancelItem;
    waiting_ = &dialog;
    hit_.reset();
    publish({{"open", true}, {"dialog", dialogJson(dialog)}});
    changed_.wait(lock, [this] { return hit_.has_value() || abandoned_; });
    waiting_ = nullptr;
    if (abandoned_) return refhost::kCancelItem;
    const DialogHit hit = *hit_;
    hit_.reset();
    refhost::ChangeItem(*dialog.FindItem(hit.item), {hit.item, hit.value, hit.text});
    return hit.item;
}

uint64_t WebDialog::version() {
    const std::lock_guard lock(mutex_);
    return version_;
}

nlohmann::json WebDialog::stateAfter(uint64_t version) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return version_ > version || abandoned_; });
    return state_;
}

void WebDialog::hit(const DialogHit& hit) {
    const std::lock_guard lock(mutex_);
    if (waiting_ == nullptr || hit_) throw UsageError("no settings dialog is waiting for a hit");
    // The dialog's thread is waiting, so its items hold still.
    requirePossible(waiting_->FindItem(hit.item), hit);
    hit_ = hit;
    changed_.notify_all();
}

void WebDialog::closed(nlohmann::json result) {
    const std::lock_guard lock(mutex_);
    publish({{"open", false}, {"result", std::move(result)}});
}

void WebDialog::abandon() {
    const std::lock_guard lock(mutex_);
    abandoned_ = true;
    changed_.notify_all();
}

}  // namespace sgf
