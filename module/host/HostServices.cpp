#include "host/HostServices.h"

namespace sg {

HostCallbacks* theHost = nullptr;
void* theDataContext = nullptr;

using hostcall::ByZero;
using hostcall::BySign;
using hostcall::LowByte;
using hostcall::Low16;

using hostcall::Call;
using hostcall::CallData;

void ReportError(const uint8_t* message) { Call<service::ReportError>(message); }
void AppendPString(uint8_t* destination, const uint8_t* tail) { Call<service::AppendPString>(destination, tail); }
int32_t GetHostValue(int16_t selector) { return Call<service::GetHostValue>(BySign(selector)); }
Handle NewBufferHandle(int32_t byteCount) { return Call<service::NewBufferHandle>(byteCount); }
Handle NewHandle(int32_t byteCount) { return Call<service::NewHandle>(byteCount); }
void* NewPointer(int32_t byteCount) { return Call<service::NewPointer>(byteCount); }
void LockHandle(Handle handle) { Call<service::LockHandle>(handle); }
void UnlockHandle(Handle handle) { Call<service::UnlockHandle>(handle); }
void DisposePointer(void* pointer) { Call<service::DisposePointer>(pointer); }
void DisposeHandle(Handle handle) { Call<service::DisposeHandle>(handle); }
void GetChannelTitle(int16_t channel, uint8_t* title) { Call<service::GetChannelTitle>(BySign(channel), title); }
void GetChannelName(int16_t channel, uint8_t* name) { Call<service::GetChannelName>(BySign(channel), name); }
void BeginResourceAccess(int16_t resourceFileRef) { Call<service::BeginResourceAccess>(BySign(resourceFileRef)); }
void EndResourceAccess(int16_t resourceFileRef) { Call<service::EndResourceAccess>(BySign(resourceFileRef)); }
int16_t MapParameterId(int16_t parameterNumber, int16_t resourceFileRef) {
    return Low16(Call<service::MapParameterId>(BySign(parameterNumber), BySign(resourceFileRef)));
}
void GetExtensionName(int16_t resourceFileRef, uint8_t* name) {
    Call<service::GetExtensionName>(BySign(resourceFileRef), name);
}
void* GetDataAccessContext(int16_t kind) { return Call<service::GetDataAccessContext>(BySign(kind)); }
void RecordParameterShort(uint16_t hostParameterId, int32_t channel, int16_t value) {
    Call<service::RecordParameterShort>(ByZero(hostParameterId), channel, BySign(value));
}
void RecordParameterFlag(uint16_t hostParameterId, int32_t channel, uint8_t value) {
    Call<service::RecordParameterFlag>(ByZero(hostParameterId), channel, ByZero(value));
}

DialogRef NewExtensionDialog(int16_t dialogResourceId) {
    return Call<service::NewExtensionDialog>(BySign(dialogResourceId));
}
void RunModalDialog(int32_t filter, int16_t* itemHit) { Call<service::RunModalDialog>(filter, itemHit); }
ControlRef GetItemControl(DialogRef dialog, int16_t item) {
    return Call<service::GetItemControl>(dialog, BySign(item));
}
void SetItemText(DialogRef dialog, int16_t item, const uint8_t* text) {
    Call<service::SetItemText>(dialog, BySign(item), text);
}
void EnableItem(DialogRef dialog, int16_t item, bool enable) {
    Call<service::EnableItem>(dialog, BySign(item), ByZero(enable));
}
void SetItemChecked(DialogRef dialog, int16_t item, bool checked) {
    Call<service::SetItemChecked>(dialog, BySign(item), ByZero(checked));
}
void SetItemValue(DialogRef dialog, int16_t item, int16_t value) {
    Call<service::SetItemValue>(dialog, BySign(item), BySign(value));
}
void SetItemMinimum(DialogRef dialog, int16_t item, int16_t minimum) {
    Call<service::SetItemMinimum>(dialog, BySign(item), BySign(minimum));
}
int16_t GetItemValue(DialogRef dialog, int16_t item) {
    return Low16(Call<service::GetItemValue>(dialog, BySign(item)));
}
void UserItemDrawA(DialogRef dialog, int16_t item) { Call<service::UserItemDrawA>(dialog, BySign(item)); }
void UserItemDrawB(DialogRef dialog, int16_t item) { Call<service::UserItemDrawB>(dialog, BySign(item)); }
void InstallUserItemProc(DialogRef dialog, int16_t item, UserItemProc proc) {
    Call<service::InstallUserItemProc>(dialog, BySign(item), proc);
}
void BeginDialog(DialogRef dialog) { Call<service::BeginDialog>(dialog); }
void EndDialog(DialogRef dialog) { Call<service::EndDialog>(dialog); }
void SetChannelPopup(DialogRef dialog, int16_t item, int16_t channel) {
    Call<service::SetChannelPopup>(dialog, BySign(item), BySign(channel));
}
int32_t GetItemNumber(DialogRef dialog, int16_t item, int32_t minimum, int32_t maximum) {
    return Call<service::GetItemNumber>(dialog, BySign(item), minimum, maximum);
}
void AttachDialogResource(WindowRef window, const uint8_t* name, uint32_t resourceType, int16_t resourceId,
                          int16_t zero, int32_t eight) {
    Call<service::AttachDialogResource>(window, name, resourceType, BySign(resourceId), BySign(zero), eight);
}
void FillChannelPopup(DialogRef dialog, int16_t item, int16_t one, bool no, int16_t zero) {
    Call<service::FillChannelPopup>(dialog, BySign(item), BySign(one), ByZero(no), BySign(zero));
}

void SetProgressState(int16_t state) { Call<service::SetProgressState>(BySign(state)); }
void BeginLongOperation() { Call<service::BeginLongOperation>(); }
void EndLongOperation() { Call<service::EndLongOperation>(); }

int32_t PositionToIndex(const DataPosition* position) { return CallData<service::PositionToIndex>(position); }
bool ComputedBlockAvailable(int16_t channel, int16_t block) {
    return LowByte(CallData<service::ComputedBlockAvailable>(BySign(channel), BySign(block)));
}
void GetBlockInfo(int16_t block, BlockInfo* info) { CallData<service::GetBlockInfo>(BySign(block), info); }
void GetComputedChannelInfo(int16_t channel, int16_t block, ChannelInfo* info) {
    CallData<service::GetComputedChannelInfo>(BySign(channel), BySign(block), info);
}
void GetComputedScaling(int16_t channel, int16_t block, ChannelScaling* scaling) {
    CallData<service::GetComputedScaling>(BySign(channel), BySign(block), scaling);
}
void GetContiguousRange(int32_t index, int32_t* first, int32_t* last) {
    CallData<service::GetContiguousRange>(index, first, last);
}
bool RawBlockAvailable(int16_t channel, int16_t block) {
    return LowByte(CallData<service::RawBlockAvailable>(BySign(channel), BySign(block)));
}
void GetRawChannelInfo(int16_t channel, int16_t block, ChannelInfo* info) {
    CallData<service::GetRawChannelInfo>(BySign(channel), BySign(block), info);
}
void GetRawScaling(int16_t channel, int16_t block, ChannelScaling* scaling) {
    CallData<service::GetRawScaling>(BySign(channel), BySign(block), scaling);
}

}  // namespace sg
