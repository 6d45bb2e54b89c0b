#include "host/HostServices.h"

namespace sg {

HostCallbacks* theHost = nullptr;
void* theDataContext = nullptr;

namespace {

template <class Service, class... Args>
auto callHost(Args... args) {
    auto entry = reinterpret_cast<typename Service::Function>(theHost->entry[Service::index]);
    return entry(args...);
}

// The two widenings every argument goes through on its way to the host.
int32_t bySign(int16_t value) { return value; }
uint32_t byZero(uint16_t value) { return value; }

// Results that the host gives as a full word but that mean a 16-bit number or a boolean.
int16_t low16(HostWord result) { return static_cast<int16_t>(static_cast<uint32_t>(result) & 0xFFFFu); }
bool lowByte(HostWord result) { return (static_cast<uint32_t>(result) & 0xFFu) != 0; }

void* dataContext() {
    if (theDataContext == nullptr) theDataContext = callHost<service::GetDataAccessContext>(bySign(1));
    return theDataContext;
}

template <class Service, class... Args>
auto callData(Args... args) {
    return callHost<Service>(dataContext(), args...);
}

}  // namespace

void ReportError(const uint8_t* message) { callHost<service::ReportError>(message); }
void AppendPString(uint8_t* destination, const uint8_t* tail) { callHost<service::AppendPString>(destination, tail); }
int32_t GetHostValue(int16_t selector) { return callHost<service::GetHostValue>(bySign(selector)); }
Handle NewBufferHandle(int32_t byteCount) { return callHost<service::NewBufferHandle>(byteCount); }
Handle NewHandle(int32_t byteCount) { return callHost<service::NewHandle>(byteCount); }
void* NewPointer(int32_t byteCount) { return callHost<service::NewPointer>(byteCount); }
void LockHandle(Handle handle) { callHost<service::LockHandle>(handle); }
void UnlockHandle(Handle handle) { callHost<service::UnlockHandle>(handle); }
void DisposePointer(void* pointer) { callHost<service::DisposePointer>(pointer); }
void DisposeHandle(Handle handle) { callHost<service::DisposeHandle>(handle); }
void GetChannelTitle(int16_t channel, uint8_t* title) { callHost<service::GetChannelTitle>(bySign(channel), title); }
void GetChannelName(int16_t channel, uint8_t* name) { callHost<service::GetChannelName>(bySign(channel), name); }
void BeginResourceAccess(int16_t resourceFileRef) { callHost<service::BeginResourceAccess>(bySign(resourceFileRef)); }
void EndResourceAccess(int16_t resourceFileRef) { callHost<service::EndResourceAccess>(bySign(resourceFileRef)); }
int16_t MapParameterId(int16_t parameterNumber, int16_t resourceFileRef) {
    return low16(callHost<service::MapParameterId>(bySign(parameterNumber), bySign(resourceFileRef)));
}
void GetExtensionName(int16_t resourceFileRef, uint8_t* name) {
    callHost<service::GetExtensionName>(bySign(resourceFileRef), name);
}
void* GetDataAccessContext(int16_t kind) { return callHost<service::GetDataAccessContext>(bySign(kind)); }
void RecordParameterShort(uint16_t hostParameterId, int32_t channel, int16_t value) {
    callHost<service::RecordParameterShort>(byZero(hostParameterId), channel, bySign(value));
}
void RecordParameterFlag(uint16_t hostParameterId, int32_t channel, uint8_t value) {
    callHost<service::RecordParameterFlag>(byZero(hostParameterId), channel, byZero(value));
}

DialogRef NewExtensionDialog(int16_t dialogResourceId) {
    return callHost<service::NewExtensionDialog>(bySign(dialogResourceId));
}
void RunModalDialog(int32_t filter, int16_t* itemHit) { callHost<service::RunModalDialog>(filter, itemHit); }
ControlRef GetItemControl(DialogRef dialog, int16_t item) {
    return callHost<service::GetItemControl>(dialog, bySign(item));
}
void SetItemText(DialogRef dialog, int16_t item, const uint8_t* text) {
    callHost<service::SetItemText>(dialog, bySign(item), text);
}
void EnableItem(DialogRef dialog, int16_t item, bool enable) {
    callHost<service::EnableItem>(dialog, bySign(item), byZero(enable));
}
void SetItemChecked(DialogRef dialog, int16_t item, bool checked) {
    callHost<service::SetItemChecked>(dialog, bySign(item), byZero(checked));
}
void SetItemValue(DialogRef dialog, int16_t item, int16_t value) {
    callHost<service::SetItemValue>(dialog, bySign(item), bySign(value));
}
void SetItemMinimum(DialogRef dialog, int16_t item, int16_t minimum) {
    callHost<service::SetItemMinimum>(dialog, bySign(item), bySign(minimum));
}
int16_t GetItemValue(DialogRef dialog, int16_t item) {
    return low16(callHost<service::GetItemValue>(dialog, bySign(item)));
}
void UserItemDrawA(DialogRef dialog, int16_t item) { callHost<service::UserItemDrawA>(dialog, bySign(item)); }
void UserItemDrawB(DialogRef dialog, int16_t item) { callHost<service::UserItemDrawB>(dialog, bySign(item)); }
void InstallUserItemProc(DialogRef dialog, int16_t item, UserItemProc proc) {
    callHost<service::InstallUserItemProc>(dialog, bySign(item), proc);
}
void BeginDialog(DialogRef dialog) { callHost<service::BeginDialog>(dialog); }
void EndDialog(DialogRef dialog) { callHost<service::EndDialog>(dialog); }
void SetChannelPopup(DialogRef dialog, int16_t item, int16_t channel) {
    callHost<service::SetChannelPopup>(dialog, bySign(item), bySign(channel));
}
int32_t GetItemNumber(DialogRef dialog, int16_t item, int32_t minimum, int32_t maximum) {
    return callHost<service::GetItemNumber>(dialog, bySign(item), minimum, maximum);
}
void AttachDialogResource(WindowRef window, const uint8_t* name, uint32_t resourceType, int16_t resourceId,
                          int16_t zero, int32_t eight) {
    callHost<service::AttachDialogResource>(window, name, resourceType, bySign(resourceId), bySign(zero), eight);
}
void FillChannelPopup(DialogRef dialog, int16_t item, int16_t one, bool no, int16_t zero) {
    callHost<service::FillChannelPopup>(dialog, bySign(item), bySign(one), byZero(no), bySign(zero));
}

void SetProgressState(int16_t state) { callHost<service::SetProgressState>(bySign(state)); }
void ReportProgress(int16_t step) { callHost<service::ReportProgress>(bySign(step)); }
void BeginLongOperation() { callHost<service::BeginLongOperation>(); }
void EndLongOperation() { callHost<service::EndLongOperation>(); }

int32_t PositionToIndex(const DataPosition* position) { return callData<service::PositionToIndex>(position); }
void IndexToPosition(int32_t index, DataPosition* position) { callData<service::IndexToPosition>(index, position); }
float** GetRawBlock(int16_t channel, int16_t block) {
    return reinterpret_cast<float**>(callData<service::GetRawBlock>(bySign(channel), bySign(block)));
}
void ReleaseRawBlock(int16_t channel, int16_t block) {
    callData<service::ReleaseRawBlock>(bySign(channel), bySign(block));
}
bool ComputedBlockAvailable(int16_t channel, int16_t block) {
    return lowByte(callData<service::ComputedBlockAvailable>(bySign(channel), bySign(block)));
}
float** GetComputedBlock(int16_t channel, int16_t block) {
    return reinterpret_cast<float**>(callData<service::GetComputedBlock>(bySign(channel), bySign(block)));
}
void ReleaseComputedBlock(int16_t channel, int16_t block) {
    callData<service::ReleaseComputedBlock>(bySign(channel), bySign(block));
}
int16_t GetBlockLength(int16_t block) { return low16(callData<service::GetBlockLength>(bySign(block))); }
void GetBlockInfo(int16_t block, BlockInfo* info) { callData<service::GetBlockInfo>(bySign(block), info); }
void GetComputedChannelInfo(int16_t channel, int16_t block, ChannelInfo* info) {
    callData<service::GetComputedChannelInfo>(bySign(channel), bySign(block), info);
}
void GetComputedScaling(int16_t channel, int16_t block, ChannelScaling* scaling) {
    callData<service::GetComputedScaling>(bySign(channel), bySign(block), scaling);
}
void GetContiguousRange(int32_t index, int32_t* first, int32_t* last) {
    callData<service::GetContiguousRange>(index, first, last);
}
bool RawBlockAvailable(int16_t channel, int16_t block) {
    return lowByte(callData<service::RawBlockAvailable>(bySign(channel), bySign(block)));
}
void GetRawChannelInfo(int16_t channel, int16_t block, ChannelInfo* info) {
    callData<service::GetRawChannelInfo>(bySign(channel), bySign(block), info);
}
void GetRawScaling(int16_t channel, int16_t block, ChannelScaling* scaling) {
    callData<service::GetRawScaling>(bySign(channel), bySign(block), scaling);
}

}  // namespace sg
