// The dialog services, over the platform's dialogs: building the module's dialog from the
// current resource file, item values, texts and states, the channel popup, the stepped width
// control, user items, and the modal wait that a DialogDriver answers.
#include <algorithm>
#include <charconv>

#include "NoisyResults.h"
#include "Services.h"
#include "Text.h"
#include "platform/Resources.h"
#include "refhost/ReferenceHost.h"

namespace refhost {

namespace {

constexpr uint32_t kDialogResourceType = sg::FourCharCode("DLOG");

platform::Dialog& DialogOf(sg::DialogRef dialog) { return platform::DialogFromOpaque(dialog); }

// The item, or null with a misbehaviour entry when the dialog has no such item.
platform::DialogItem* ItemOf(const char* service, sg::DialogRef dialog, int32_t item) {
    platform::DialogItem* found = DialogOf(dialog).FindItem(static_cast<short>(item));
    if (found == nullptr || item != static_cast<short>(item)) {
        ReferenceHost::active().misbehaviour().record(std::string(service) + " was given item " +
                                                       std::to_string(item) + ", which the dialog does not have");
        return nullptr;
    }
    return found;
}

// A byte argument reaches the host zero-extended: anything but 0 or 1 means it was not.
bool FlagOf(const char* service, uint32_t word) {
    if (word > 1) {
        ReferenceHost::active().misbehaviour().record(std::string(service) + " was given the flag " + hexWord(word));
    }
    return word != 0;
}

sg::DialogRef newExtensionDialog(int32_t resourceId) {
    ReferenceHost& host = ReferenceHost::active();
    if (platform::CurrentResourceFile() != host.moduleResourceFile()) {
        host.misbehaviour().record("NewExtensionDialog was called while the module's resource file was not current");
    }
    return platform::NewDialogFromResource(static_cast<short>(resourceId));
}

sg::HostWord runModalDialog(sg::HostWord filter, int16_t* itemHit) {
    ReferenceHost& host = ReferenceHost::active();
    if (filter != kModalFilterValue) host.misbehaviour().record("RunModalDialog was given the filter " + hexWord(filter));
    DialogSession& session = host.dialogs();
    ++session.records().modalWaits;
    if (session.openDialog() == nullptr || session.driver() == nullptr) {
        host.misbehaviour().record("RunModalDialog was called outside BeginDialog or with nobody to answer it");
        *itemHit = kCancelItem;
        return 0;
    }
    platform::Dialog& dialog = *session.openDialog();
    // The host draws the dialog before each wait, user items through the module's procedures.
    for (const platform::DialogItem& item : dialog.items)
        if (item.userItemProc != nullptr) item.userItemProc(&dialog, item.number);
    *itemHit = session.driver()->nextHit(dialog);
    return 0;
}

sg::ControlRef getItemControl(sg::DialogRef dialog, int32_t item) {
    platform::DialogItem* found = ItemOf("GetItemControl", dialog, item);
    return found == nullptr ? nullptr : found->control.get();
}

sg::HostWord setItemText(sg::DialogRef dialog, int32_t item, const uint8_t* text) {
    if (platform::DialogItem* found = ItemOf("SetItemText", dialog, item)) found->text = fromPString(text);
    return 0;
}

sg::HostWord enableItem(sg::DialogRef dialog, int32_t item, uint32_t enable) {
    const bool on = FlagOf("EnableItem", enable);
    if (platform::DialogItem* found = ItemOf("EnableItem", dialog, item)) found->enabled = on;
    return 0;
}

sg::HostWord setItemChecked(sg::DialogRef dialog, int32_t item, uint32_t checked) {
    const bool on = FlagOf("SetItemChecked", checked);
    if (platform::DialogItem* found = ItemOf("SetItemChecked", dialog, item)) found->checked = on;
    return 0;
}

sg::HostWord setItemValue(sg::DialogRef dialog, int32_t item, int32_t value) {
    platform::DialogItem* found = ItemOf("SetItemValue", dialog, item);
    if (found == nullptr) return 0;
    if (found->kind == platform::ItemKind::control) {
        MoveControl(*found, value);
    } else {
        found->value = static_cast<short>(value);
    }
    return 0;
}

sg::HostWord setItemMinimum(sg::DialogRef dialog, int32_t item, int32_t minimum) {
    platform::DialogItem* found = ItemOf("SetItemMinimum", dialog, item);
    if (found == nullptr) return 0;
    found->minimum = static_cast<short>(minimum);
    if (found->kind == platform::ItemKind::control && found->value < minimum) MoveControl(*found, minimum);
    return 0;
}

sg::HostWord getItemValue(sg::DialogRef dialog, int32_t item) {
    platform::DialogItem* found = ItemOf("GetItemValue", dialog, item);
    if (found == nullptr) return 0;
    const bool noisy = ReferenceHost::active().options().noisyResults;
    if (found->kind == platform::ItemKind::radio || found->kind == platform::ItemKind::checkbox)
        return int16Result(noisy, found->checked ? 1 : 0);
    return int16Result(noisy, found->value);
}

template <char Procedure>
sg::HostWord userItemDraw(sg::DialogRef dialog, int32_t item) {
    if (ItemOf("UserItemDraw", dialog, item) != nullptr)
        ReferenceHost::active().dialogs().records().userItemDraws.push_back({Procedure, static_cast<int16_t>(item)});
    return 0;
}

sg::HostWord installUserItemProc(sg::DialogRef dialog, int32_t item, sg::UserItemProc proc) {
    if (platform::DialogItem* found = ItemOf("InstallUserItemProc", dialog, item)) found->userItemProc = proc;
    return 0;
}

sg::HostWord beginDialog(sg::DialogRef dialog) {
    ReferenceHost& host = ReferenceHost::active();
    ++host.dialogs().records().dialogsBegun;
    host.dialogs().setOpenDialog(&DialogOf(dialog));
    return 0;
}

sg::HostWord endDialog(sg::DialogRef dialog) {
    ReferenceHost& host = ReferenceHost::active();
    if (host.dialogs().openDialog() != &DialogOf(dialog)) host.misbehaviour().record("EndDialog without BeginDialog");
    ++host.dialogs().records().dialogsEnded;
    host.dialogs().setOpenDialog(nullptr);
    return 0;
}

sg::HostWord fillChannelPopup(sg::DialogRef dialog, int32_t item, int32_t, uint32_t no, int32_t) {
    FlagOf("FillChannelPopup", no);
    platform::DialogItem* found = ItemOf("FillChannelPopup", dialog, item);
    if (found == nullptr) return 0;
    const Recording& recording = ReferenceHost::active().recording();
    found->entries.clear();
    for (int16_t channel = 1; channel <= recording.channelCount(); ++channel)
        found->entries.push_back(recording.channel(channel).name);
    found->minimum = 1;
    found->maximum = recording.channelCount();
    return 0;
}

sg::HostWord setChannelPopup(sg::DialogRef dialog, int32_t item, int32_t channel) {
    platform::DialogItem* found = ItemOf("SetChannelPopup", dialog, item);
    if (found == nullptr) return 0;
    if (channel < 1 || channel > static_cast<int32_t>(found->entries.size())) {
        ReferenceHost::active().misbehaviour().record("SetChannelPopup was given channel " + std::to_string(channel) +
                                                       " for a popup of " + std::to_string(found->entries.size()));
    }
    found->value = static_cast<short>(channel);
    return 0;
}

// The number typed into the item, limited to minimum..maximum; text that is not a number counts
// as 0 before the limits apply.
sg::HostWord getItemNumber(sg::DialogRef dialog, int32_t item, int32_t minimum, int32_t maximum) {
    platform::DialogItem* found = ItemOf("GetItemNumber", dialog, item);
    if (found == nullptr) return 0;
    int32_t number = 0;
    const char* begin = found->text.data();
    const char* end = begin + found->text.size();
    while (begin < end && *begin == ' ') ++begin;
    if (std::from_chars(begin, end, number).ec != std::errc()) number = 0;
    return std::clamp(number, minimum, maximum);
}

sg::HostWord attachDialogResource(sg::WindowRef window, const uint8_t* name, uint32_t type, int32_t id,
                                  int32_t zero, int32_t eight) {
    ReferenceHost& host = ReferenceHost::active();
    platform::DialogOfWindow(window);  // must be a live dialog's window
    if (type != kDialogResourceType) host.misbehaviour().record("AttachDialogResource was given the type " + hexWord(type));
    host.dialogs().records().attachedResources.push_back(fromPString(name) + " " + hexWord(type) + " " +
                                                          std::to_string(id) + " " + std::to_string(zero) + " " +
                                                          std::to_string(eight));
    return 0;
}

}  // namespace

void provideDialogServices(ServiceTable& table) {
    using namespace sg::service;
    table.provide<NewExtensionDialog, &newExtensionDialog>("NewExtensionDialog");
    table.provide<RunModalDialog, &runModalDialog>("RunModalDialog");
    table.provide<GetItemControl, &getItemControl>("GetItemControl");
    table.provide<SetItemText, &setItemText>("SetItemText");
    table.provide<EnableItem, &enableItem>("EnableItem");
    table.provide<SetItemChecked, &setItemChecked>("SetItemChecked");
    table.provide<SetItemValue, &setItemValue>("SetItemValue");
    table.provide<SetItemMinimum, &setItemMinimum>("SetItemMinimum");
    table.provide<GetItemValue, &getItemValue>("GetItemValue");
    table.provide<UserItemDrawA, &userItemDraw<'A'>>("UserItemDrawA");
    table.provide<UserItemDrawB, &userItemDraw<'B'>>("UserItemDrawB");
    table.provide<InstallUserItemProc, &installUserItemProc>("InstallUserItemProc");
    table.provide<BeginDialog, &beginDialog>("BeginDialog");
    table.provide<EndDialog, &endDialog>("EndDialog");
    table.provide<FillChannelPopup, &fillChannelPopup>("FillChannelPopup");
    table.provide<SetChannelPopup, &setChannelPopup>("SetChannelPopup");
    table.provide<GetItemNumber, &getItemNumber>("GetItemNumber");
    table.provide<AttachDialogResource, &attachDialogResource>("AttachDialogResource");
}

}  // namespace refhost
