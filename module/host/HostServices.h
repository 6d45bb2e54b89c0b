// One forwarding routine per host service. Each reads `theHost` at the moment of the call, widens
// its arguments to 32-bit words (int16 by sign, byte and uint16 by zero extension), calls the entry
// and returns its result, narrowed where the service's result is a 16-bit number or a boolean.
// The data services supply the cached data-access context as their first argument.
#pragma once

#include <cstdint>

#include "host/HostCallbacks.h"

namespace sg {

// The table of the current call of Main1, left in place between calls.
extern HostCallbacks* theHost;
// The data-access context, fetched on the first data-service call and kept for the module's life.
extern void* theDataContext;

namespace hostcall {

template <class Service, class... Args>
auto Call(Args... args) {
    auto entry = reinterpret_cast<typename Service::Function>(theHost->entry[Service::index]);
    return entry(args...);
}

// The two widenings every argument goes through on its way to the host.
inline int32_t BySign(int16_t value) { return value; }
inline uint32_t ByZero(uint16_t value) { return value; }

// Results that the host gives as a full word but that mean a 16-bit number or a boolean.
inline int16_t Low16(HostWord result) { return static_cast<int16_t>(static_cast<uint32_t>(result) & 0xFFFFu); }
inline bool LowByte(HostWord result) { return (static_cast<uint32_t>(result) & 0xFFu) != 0; }

inline void* DataContext() {
    if (theDataContext == nullptr) theDataContext = Call<service::GetDataAccessContext>(BySign(1));
    return theDataContext;
}

template <class Service, class... Args>
auto CallData(Args... args) {
    return Call<Service>(DataContext(), args...);
}

}  // namespace hostcall

// General services.
void ReportError(const uint8_t* message);
void AppendPString(uint8_t* destination, const uint8_t* tail);
int32_t GetHostValue(int16_t selector);
Handle NewBufferHandle(int32_t byteCount);
Handle NewHandle(int32_t byteCount);
void* NewPointer(int32_t byteCount);
void LockHandle(Handle handle);
void UnlockHandle(Handle handle);
void DisposePointer(void* pointer);
void DisposeHandle(Handle handle);
void GetChannelTitle(int16_t channel, uint8_t* title);
void GetChannelName(int16_t channel, uint8_t* name);
void BeginResourceAccess(int16_t resourceFileRef);
void EndResourceAccess(int16_t resourceFileRef);
int16_t MapParameterId(int16_t parameterNumber, int16_t resourceFileRef);
void GetExtensionName(int16_t resourceFileRef, uint8_t* name);
void* GetDataAccessContext(int16_t kind);
void RecordParameterShort(uint16_t hostParameterId, int32_t channel, int16_t value);
void RecordParameterFlag(uint16_t hostParameterId, int32_t channel, uint8_t value);

// Dialog services.
DialogRef NewExtensionDialog(int16_t dialogResourceId);
void RunModalDialog(int32_t filter, int16_t* itemHit);
ControlRef GetItemControl(DialogRef dialog, int16_t item);
void SetItemText(DialogRef dialog, int16_t item, const uint8_t* text);
void EnableItem(DialogRef dialog, int16_t item, bool enable);
void SetItemChecked(DialogRef dialog, int16_t item, bool checked);
void SetItemValue(DialogRef dialog, int16_t item, int16_t value);
void SetItemMinimum(DialogRef dialog, int16_t item, int16_t minimum);
int16_t GetItemValue(DialogRef dialog, int16_t item);
void UserItemDrawA(DialogRef dialog, int16_t item);
void UserItemDrawB(DialogRef dialog, int16_t item);
void InstallUserItemProc(DialogRef dialog, int16_t item, UserItemProc proc);
void BeginDialog(DialogRef dialog);
void EndDialog(DialogRef dialog);
void SetChannelPopup(DialogRef dialog, int16_t item, int16_t channel);
int32_t GetItemNumber(DialogRef dialog, int16_t item, int32_t minimum, int32_t maximum);
void AttachDialogResource(WindowRef window, const uint8_t* name, uint32_t resourceType, int16_t resourceId,
                          int16_t zero, int32_t eight);
void FillChannelPopup(DialogRef dialog, int16_t item, int16_t one, bool no, int16_t zero);

// Long operations and progress.
void SetProgressState(int16_t state);
// Inline, as the cursor's data services below: the cursor calls it at every move.
inline void ReportProgress(int16_t step) { hostcall::Call<service::ReportProgress>(hostcall::BySign(step)); }
void BeginLongOperation();
void EndLongOperation();

// Data services.
int32_t PositionToIndex(const DataPosition* position);
// The services the cursor calls at every move across a block boundary are inline, so that a move
// costs the host's calls and little more.
inline void IndexToPosition(int32_t index, DataPosition* position) {
    hostcall::CallData<service::IndexToPosition>(index, position);
}
inline float** GetRawBlock(int16_t channel, int16_t block) {
    return reinterpret_cast<float**>(
        hostcall::CallData<service::GetRawBlock>(hostcall::BySign(channel), hostcall::BySign(block)));
}
inline void ReleaseRawBlock(int16_t channel, int16_t block) {
    hostcall::CallData<service::ReleaseRawBlock>(hostcall::BySign(channel), hostcall::BySign(block));
}
bool ComputedBlockAvailable(int16_t channel, int16_t block);
inline float** GetComputedBlock(int16_t channel, int16_t block) {
    return reinterpret_cast<float**>(
        hostcall::CallData<service::GetComputedBlock>(hostcall::BySign(channel), hostcall::BySign(block)));
}
inline void ReleaseComputedBlock(int16_t channel, int16_t block) {
    hostcall::CallData<service::ReleaseComputedBlock>(hostcall::BySign(channel), hostcall::BySign(block));
}
inline int16_t GetBlockLength(int16_t block) {
    return hostcall::Low16(hostcall::CallData<service::GetBlockLength>(hostcall::BySign(block)));
}
void GetBlockInfo(int16_t block, BlockInfo* info);
void GetComputedChannelInfo(int16_t channel, int16_t block, ChannelInfo* info);
void GetComputedScaling(int16_t channel, int16_t block, ChannelScaling* scaling);
void GetContiguousRange(int32_t index, int32_t* first, int32_t* last);
bool RawBlockAvailable(int16_t channel, int16_t block);
void GetRawChannelInfo(int16_t channel, int16_t block, ChannelInfo* info);
void GetRawScaling(int16_t channel, int16_t block, ChannelScaling* scaling);

}  // namespace sg
