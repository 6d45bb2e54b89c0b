// Selector 9: the modal dialog that edits a working copy of a channel's settings and, on OK,
// reports all six of them to the host, which applies each one through the parameter selector.
#include "settings/SettingsDialog.h"

#include <cmath>
#include <cstring>

#include "entry/SavitzkyGolayExtension.h"
#include "host/Cleanup.h"
#include "platform/Carbon.h"
#include "settings/Settings.h"
#include "settings/SettingsSnapshot.h"
#include "text/ResourceStrings.h"

namespace sg {

namespace {

constexpr int16_t kDialogResourceId = 4710;

enum DialogItem : int16_t {
    kItemOK = 1,
    kItemCancel = 2,
    kItemFrame = 4,
    kItemSourceChannel = 6,
    kItemRawSource = 9,
    kItemComputedSource = 10,
    kItemSourceFrame = 11,
    kItemDerivativeOrder = 13,
    kItemPolynomialOrder = 15,
    kItemWidthText = 17,
    kItemWidthControl = 18,
    kItemFilterFrame = 21,
};

// The width control's data: its range, the number of steps of 2 between, and its value.
constexpr uint32_t kWidthMinimumTag = FourCharCode("MgMn");
constexpr uint32_t kWidthMaximumTag = FourCharCode("MgMx");
constexpr uint32_t kWidthStepsTag = FourCharCode("MgSt");
constexpr uint32_t kWidthValueTag = FourCharCode("MgVl");
constexpr uint32_t kDialogResourceType = FourCharCode("DLOG");

constexpr int16_t kNoControl = kPlatformParamErr;

// The control's position p stands for the width 2p + 3.
constexpr int16_t kNarrowestPosition = 1;
constexpr int16_t kWidestPosition = 99;
constexpr int16_t kHighestOrderForWidth5 = 4;

short SetWidthData(ControlRef control, uint32_t tag, int32_t size, const void* data) {
    if (control == nullptr) return kNoControl;
    return SetControlData(control, 0, tag, size, data);
}

// The width the control shows, when it can be read as a number a width can hold.
bool ReadControlWidth(ControlRef control, int16_t& width) {
    if (control == nullptr) return false;
    double value = 0.0;
    long actualSize = 0;
    if (GetControlData(control, 0, kWidthValueTag, sizeof value, &value, &actualSize) != kPlatformNoErr) return false;
    if (!std::isfinite(value) || std::fabs(value) > INT16_MAX) return false;
    width = static_cast<int16_t>(std::lround(value));
    return true;
}

int16_t PositionForTypedWidth(int16_t width) {
    if (width <= 4) return kNarrowestPosition;
    if (width > 201) return kWidestPosition;
    return static_cast<int16_t>((width - 3) / 2);
}

class SettingsDialogRun {
public:
    SettingsDialogRun(DialogRef dialog, LocalDataType& working) : dialog_(dialog), working_(working) {}

    void SetUpItems(ControlRef widthControl);
    int16_t RunUntilClosed();
    void ReadBack();

private:
    void ApplyEnablingRule();
    void ActOn(int16_t hit);

    DialogRef dialog_;
    LocalDataType& working_;  // the locked working copy
    ControlRef widthControl_ = nullptr;
};

void SettingsDialogRun::SetUpItems(ControlRef widthControl) {
    widthControl_ = widthControl;
    const double narrowest = 5.0, widest = 201.0;
    const int32_t steps = 98;
    SetWidthData(widthControl_, kWidthMinimumTag, sizeof narrowest, &narrowest);
    SetWidthData(widthControl_, kWidthMaximumTag, sizeof widest, &widest);
    SetWidthData(widthControl_, kWidthStepsTag, sizeof steps, &steps);
    SetPortDialogPort(dialog_);
    SetChannelPopup(dialog_, kItemSourceChannel, working_.sourceChannel);
    SetItemValue(dialog_, kItemDerivativeOrder, static_cast<int16_t>(working_.derivativeOrder + 1));
    SetItemValue(dialog_, kItemPolynomialOrder, static_cast<int16_t>(working_.polynomialOrder - 1));
    PStringValue widthText = NumberToPString(working_.windowWidth);
    SetItemText(dialog_, kItemWidthText, widthText.data());
    const double width = working_.windowWidth;
    SetWidthData(widthControl_, kWidthValueTag, sizeof width, &width);
}

void SettingsDialogRun::ApplyEnablingRule() {
    if (working_.sourceChannel == working_.ownChannel) {
        EnableItem(dialog_, kItemComputedSource, false);
        SetItemChecked(dialog_, kItemRawSource, true);
        SetItemChecked(dialog_, kItemComputedSource, false);
    } else {
        EnableItem(dialog_, kItemComputedSource, true);
        SetItemChecked(dialog_, kItemRawSource, working_.useComputedSource == 0);
        SetItemChecked(dialog_, kItemComputedSource, working_.useComputedSource != 0);
    }
}

int16_t SettingsDialogRun::RunUntilClosed() {
    int16_t hit = 0;
    do {
        ApplyEnablingRule();
        RunModalDialog(GetHostValue(205), &hit);
        ActOn(hit);
    } while (hit != kItemOK && hit != kItemCancel);
    return hit;
}

void SettingsDialogRun::ActOn(int16_t hit) {
    switch (hit) {
        case kItemSourceChannel: {
            const int16_t channel = GetItemValue(dialog_, kItemSourceChannel);
            if (channel != working_.sourceChannel) working_.sourceChannel = channel;
            break;
        }
        case kItemRawSource:
        case kItemComputedSource: {
            // The own channel's computed values are this filter's output: only raw can be read.
            if (working_.sourceChannel != working_.ownChannel) working_.useComputedSource = hit == kItemComputedSource;
            const int16_t other = hit == kItemRawSource ? kItemComputedSource : kItemRawSource;
            SetItemChecked(dialog_, hit, true);
            SetItemChecked(dialog_, other, false);
            break;
        }
        case kItemDerivativeOrder: {
            const int16_t order = static_cast<int16_t>(GetItemValue(dialog_, kItemDerivativeOrder) - 1);
            if (order != working_.derivativeOrder) working_.derivativeOrder = order;
            break;
        }
        case kItemPolynomialOrder: {
            // Orders above 4 cannot be fitted over 5 points: the narrowest width becomes 7.
            const int16_t order = static_cast<int16_t>(GetItemValue(dialog_, kItemPolynomialOrder) + 1);
            if (order == working_.polynomialOrder) break;
            working_.polynomialOrder = order;
            if (order > kHighestOrderForWidth5) {
                if (working_.windowWidth == 5) SetItemValue(dialog_, kItemWidthControl, 2);
                SetItemMinimum(dialog_, kItemWidthControl, 2);
            } else {
                SetItemMinimum(dialog_, kItemWidthControl, kNarrowestPosition);
            }
            break;
        }
        case kItemWidthText: {
            const auto width = static_cast<int16_t>(GetItemNumber(dialog_, kItemWidthText, 0, 201));
            if (width == working_.windowWidth) break;
            working_.windowWidth = width;
            SetItemValue(dialog_, kItemWidthControl, PositionForTypedWidth(width));
            break;
        }
        case kItemWidthControl: {
            int16_t width = 0;
            if (ReadControlWidth(widthControl_, width) && width != working_.windowWidth) working_.windowWidth = width;
            break;
        }
        default:
            break;
    }
}

void SettingsDialogRun::ReadBack() {
    working_.sourceChannel = GetItemValue(dialog_, kItemSourceChannel);
    working_.useComputedSource = GetItemValue(dialog_, kItemComputedSource) > 0 ? 1 : 0;
    int16_t width = 0;
    if (ReadControlWidth(widthControl_, width)) working_.windowWidth = width;
}

void ReportSettings(const LocalDataType& working, int16_t channel, int16_t resourceFileRef) {
    auto id = [resourceFileRef](ParameterNumber number) {
        return static_cast<uint16_t>(MapParameterId(static_cast<int16_t>(number), resourceFileRef));
    };
    RecordParameterShort(id(kParamSourceChannel), channel, working.sourceChannel);
    RecordParameterFlag(id(kParamUseComputedSource), channel, working.useComputedSource);
    RecordParameterShort(id(kParamDerivativeOrder), channel, working.derivativeOrder);
    RecordParameterShort(id(kParamPolynomialOrder), channel, working.polynomialOrder);
    RecordParameterShort(id(kParamWindowWidth), channel, working.windowWidth);
    RecordParameterShort(id(kParamRangeIndex), channel, working.rangeIndex);
}

}  // namespace

void DisposeDialogContext(DialogContext*& context) {
    DialogContext* disposing = context;
    if (disposing == nullptr) return;
    context = nullptr;
    // Each block goes back even when the host fails to take an earlier one.
    Cleanup releaseContext([disposing] { DisposePointer(disposing); });
    if (disposing->workingSettings != nullptr) {
        Cleanup releaseCopy([disposing] { DisposeHandleAndClear(disposing->workingSettings); });
        DisposeHandleAndClear((*disposing->workingSettings)->weights);
        releaseCopy.Run();
    }
    releaseContext.Run();
}

void UserItemProcA(void* dialog, int16_t item) { UserItemDrawA(dialog, item); }
void UserItemProcB(void* dialog, int16_t item) { UserItemDrawB(dialog, item); }

bool SavitzkyGolayExtension::RunSettingsDialog(int16_t channel, FunctionInstance** instance) {
    if (instance == nullptr) return false;
    const int16_t state = (*instance)->state;
    if (state != kStateSettingsInPlace && state != kStateCreated) {
        PStringValue message = GetExtensionString(kFunctionStringList, state, *this);
        ReportError(message.data());
        return false;
    }

    auto* context = static_cast<DialogContext*>(NewPointer(sizeof(DialogContext)));
    if (context == nullptr) return false;
    // From here on, whatever way the run ends, the context and the working copy go back.
    Cleanup releaseContext([&context] { DisposeDialogContext(context); });
    context->instance = instance;
    context->workingSettings = nullptr;
    context->workingSettings = reinterpret_cast<LocalDataType**>(NewHandle(sizeof(LocalDataType)));
    if (context->workingSettings == nullptr) {
        ReportOutOfMemory();
        releaseContext.Run();
        return false;
    }
    LocalDataType** working = context->workingSettings;
    if ((*instance)->settings != nullptr) {
        std::memcpy(*working, *(*instance)->settings, sizeof(LocalDataType));
    } else {
        FillDefaultSettings(**working, channel);
    }
    (*working)->weights = nullptr;  // the copy must never dispose the channel's table
    LockHandle(reinterpret_cast<Handle>(working));
    LocalDataType& settings = **working;

    Str255 channelName{};
    GetChannelName(settings.ownChannel, channelName);
    context->resourceId = kDialogResourceId;
    void* savedPort = nullptr;
    GetPort(&savedPort);

    const int16_t ownResources = ResourceFileRef();
    DialogRef dialog = nullptr;
    Cleanup disposeDialog([&dialog] {
        if (dialog != nullptr) DisposeDialog(dialog);
    });
    BeginResourceAccess(ownResources);
    Cleanup endResourceAccess([ownResources] { EndResourceAccess(ownResources); });
    dialog = NewExtensionDialog(context->resourceId);
    if (dialog != nullptr) {
        Str255 extensionName{};
        GetExtensionName(ownResources, extensionName);
        AttachDialogResource(GetDialogWindow(dialog), extensionName, kDialogResourceType, context->resourceId, 0, 8);
    }
    endResourceAccess.Run();
    if (dialog == nullptr) {
        releaseContext.Run();
        return false;
    }
    // The dialog's port becomes current while its items are set up.
    Cleanup restorePort([savedPort] { SetPort(savedPort); });

    WindowRef window = GetDialogWindow(dialog);
    Str255 title{};
    GetWTitle(window, title);
    AppendPString(title, channelName);
    SetWTitle(window, title);
    FillChannelPopup(dialog, kItemSourceChannel, 1, false, 0);
    SetWRefCon(window, reinterpret_cast<long>(context));
    InstallUserItemProc(dialog, kItemFrame, UserItemProcA);
    InstallUserItemProc(dialog, kItemSourceFrame, UserItemProcB);
    InstallUserItemProc(dialog, kItemFilterFrame, UserItemProcB);

    SettingsDialogRun run(dialog, settings);
    run.SetUpItems(GetItemControl(dialog, kItemWidthControl));
    BeginDialog(dialog);
    Cleanup endDialog([dialog] { EndDialog(dialog); });
    const int16_t hit = run.RunUntilClosed();
    if (hit == kItemOK) run.ReadBack();
    endDialog.Run();
    disposeDialog.Run();
    restorePort.Run();

    bool confirmed = false;
    if (hit == kItemOK) {
        // The host applies each report before the next one is made. If it fails part way (a macro
        // recorder whose store is full), the reports it applied are taken back: the channel keeps
        // the settings it had before the dialog, as after Cancel, never a mix of old and new.
        const SettingsSnapshot before(instance);
        Cleanup restoreSettings([&before] { before.Restore(); });
        ReportSettings(settings, channel, ownResources);
        restoreSettings.Dismiss();
        confirmed = (*instance)->settings != nullptr;
    }
    releaseContext.Run();
    return confirmed;
}

}  // namespace sg
