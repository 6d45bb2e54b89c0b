#include "refhost/DialogSession.h"

#include <algorithm>
#include <cstring>

#include "module/host/HostTypes.h"

namespace refhost {

namespace {

template <class T>
std::optional<T> DataOf(const platform::Control& control, const char (&tag)[5]) {
    const auto found = control.data.find(sg::FourCharCode(tag));
    if (found == control.data.end() || found->second.size() != sizeof(T)) return std::nullopt;
    T value;
    std::memcpy(&value, found->second.data(), sizeof(T));
    return value;
}

}  // namespace

std::optional<double> ControlValueAt(const platform::Control& control, int position) {
    const auto minimum = DataOf<double>(control, "MgMn");
    const auto maximum = DataOf<double>(control, "MgMx");
    const auto steps = DataOf<int32_t>(control, "MgSt");
    if (!minimum || !maximum || !steps || *steps <= 0) return std::nullopt;
    return *minimum + (position - 1) * ((*maximum - *minimum) / *steps);
}

std::optional<double> ControlValue(const platform::Control& control) { return DataOf<double>(control, "MgVl"); }

std::optional<int> ControlLastPosition(const platform::Control& control) {
    const auto steps = DataOf<int32_t>(control, "MgSt");
    if (!steps) return std::nullopt;
    return *steps + 1;
}

void MoveControl(platform::DialogItem& item, int position) {
    if (!item.control) return;
    const int last = ControlLastPosition(*item.control).value_or(position);
    position = std::clamp(position, std::max<int>(item.minimum, 1), std::max(last, 1));
    item.value = static_cast<short>(position);
    if (const auto value = ControlValueAt(*item.control, position)) {
        std::vector<unsigned char> bytes(sizeof(double));
        std::memcpy(bytes.data(), &*value, sizeof(double));
        item.control->data[sg::FourCharCode("MgVl")] = std::move(bytes);
    }
}

void ChangeItem(platform::DialogItem& item, const DialogStep& step) {
    if (step.text) item.text = *step.text;
    if (!step.value) return;
    if (item.kind == platform::ItemKind::control) {
        MoveControl(item, *step.value);
    } else {
        item.value = *step.value;
    }
}

int16_t ScriptedDialog::nextHit(platform::Dialog& dialog) {
    if (finished()) return kCancelItem;
    const DialogStep& step = steps_[next_++];
    if (platform::DialogItem* item = dialog.FindItem(step.item)) ChangeItem(*item, step);
    return step.item;
}

}  // namespace refhost
