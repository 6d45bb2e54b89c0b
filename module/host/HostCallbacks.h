// The host's service table: the layout of every entry the extension calls, with its contract.
//
// The table is an array of 32-bit function pointers owned by the host; entry i lies at byte 4*i.
// Every argument reaches an entry as one 32-bit word: int16 values sign-extended (typed int32_t
// below), byte and uint16 values zero-extended (typed uint32_t below). A host supplies every
// entry listed here; the extension never keeps a pointer to an entry between calls.
//
// Ownership, unless an entry says otherwise: pointers passed to the host are caller-owned and
// read or written during the call only; handles returned by the host belong to the host.
#pragma once

#include "host/HostRecords.h"
#include "host/HostTypes.h"

namespace sg {

struct ChannelScaling;
struct ChannelInfo;

using HostEntry = void (*)();
static_assert(sizeof(HostEntry) == 4);

// The highest entry the extension calls is 654, so a host's table holds at least 655 entries.
inline constexpr int kHostEntryCount = 655;
struct HostCallbacks {
    HostEntry entry[kHostEntryCount];
};
static_assert(sizeof(HostCallbacks) == 4 * kHostEntryCount);

// A dialog's user-item procedure, in the platform's form.
using UserItemProc = void (*)(DialogRef dialog, int16_t item);

// One entry of the table: its index and the exact function type the host puts there.
template <int Index, typename Signature>
struct HostService {
    static constexpr int index = Index;
    static constexpr int byteOffset = 4 * Index;
    using Function = Signature*;
};

namespace service {

// --- Recording changed settings. The host applies the value to the channel (through the
// extension's parameter selector) before the call returns.
using RecordParameterShort = HostService<7, HostWord(uint32_t hostParameterId, int32_t channel, int32_t value)>;
using RecordParameterFlag = HostService<16, HostWord(uint32_t hostParameterId, int32_t channel, uint32_t value)>;

// --- General services.
// Shows a length-prefixed message to the user.
using ReportError = HostService<81, HostWord(const uint8_t* message)>;
// Appends `tail` to the length-prefixed `destination` (a 256-byte buffer) in place.
using AppendPString = HostService<95, HostWord(uint8_t* destination, const uint8_t* tail)>;
// A host value: 1539 gives the number of channels in its low 16 bits, 205 the filter that
// RunModalDialog takes.
using GetHostValue = HostService<172, HostWord(int32_t selector)>;
// Memory. Handles and pointers returned here belong to the extension until it disposes them;
// null on failure. A new block's contents are undefined.
using NewBufferHandle = HostService<306, Handle(int32_t byteCount)>;
using NewHandle = HostService<307, Handle(int32_t byteCount)>;
using NewPointer = HostService<309, void*(int32_t byteCount)>;
// A locked block stays at its address until it is unlocked (locks do not nest).
using LockHandle = HostService<311, HostWord(Handle handle)>;
using UnlockHandle = HostService<312, HostWord(Handle handle)>;
using DisposePointer = HostService<315, HostWord(void* pointer)>;
using DisposeHandle = HostService<318, HostWord(Handle handle)>;
// Texts of a channel, written into a caller-owned 256-byte buffer.
using GetChannelTitle = HostService<540, HostWord(int32_t channel, uint8_t* title)>;
using GetChannelName = HostService<608, HostWord(int32_t channel, uint8_t* name)>;
// Bracket during which the given resource file is the current one.
using BeginResourceAccess = HostService<628, HostWord(int32_t resourceFileRef)>;
using EndResourceAccess = HostService<629, HostWord(int32_t resourceFileRef)>;
// The host's own id for one of the extension's parameter numbers; the low 16 bits count.
using MapParameterId = HostService<630, HostWord(int32_t parameterNumber, int32_t resourceFileRef)>;
using GetExtensionName = HostService<637, HostWord(int32_t resourceFileRef, uint8_t* name)>;
// The opaque context that every data service takes first; 1 is always passed.
using GetDataAccessContext = HostService<654, void*(int32_t kind)>;

// --- Dialog services, on the dialog that NewExtensionDialog returned (null on failure).
using NewExtensionDialog = HostService<78, DialogRef(int32_t dialogResourceId)>;
// Waits for one item hit and stores its number through `itemHit`.
using RunModalDialog = HostService<79, HostWord(HostWord filter, int16_t* itemHit)>;
using GetItemControl = HostService<101, ControlRef(DialogRef dialog, int32_t item)>;
using SetItemText = HostService<106, HostWord(DialogRef dialog, int32_t item, const uint8_t* text)>;
using EnableItem = HostService<109, HostWord(DialogRef dialog, int32_t item, uint32_t enable)>;
using SetItemChecked = HostService<112, HostWord(DialogRef dialog, int32_t item, uint32_t checked)>;
using SetItemValue = HostService<113, HostWord(DialogRef dialog, int32_t item, int32_t value)>;
using SetItemMinimum = HostService<115, HostWord(DialogRef dialog, int32_t item, int32_t minimum)>;
using GetItemValue = HostService<118, HostWord(DialogRef dialog, int32_t item)>;
using UserItemDrawA = HostService<121, HostWord(DialogRef dialog, int32_t item)>;
using UserItemDrawB = HostService<122, HostWord(DialogRef dialog, int32_t item)>;
// The procedure stays installed for the life of the dialog.
using InstallUserItemProc = HostService<135, HostWord(DialogRef dialog, int32_t item, UserItemProc proc)>;
using BeginDialog = HostService<145, HostWord(DialogRef dialog)>;
using EndDialog = HostService<146, HostWord(DialogRef dialog)>;
using SetChannelPopup = HostService<192, HostWord(DialogRef dialog, int32_t item, int32_t channel)>;
// The number typed into an edit-text item, limited to minimum..maximum; low 16 bits count.
using GetItemNumber = HostService<210, HostWord(DialogRef dialog, int32_t item, int32_t minimum, int32_t maximum)>;
using AttachDialogResource = HostService<302, HostWord(WindowRef window, const uint8_t* name, uint32_t resourceType,
                                                       int32_t resourceId, int32_t zero, int32_t eight)>;
using FillChannelPopup = HostService<568, HostWord(DialogRef dialog, int32_t item, int32_t one, uint32_t no, int32_t zero)>;

// --- Long operations and progress.
using SetProgressState = HostService<150, HostWord(int32_t state)>;
using ReportProgress = HostService<153, HostWord(int32_t step)>;
using BeginLongOperation = HostService<155, HostWord()>;
using EndLongOperation = HostService<156, HostWord()>;

// --- Data services. The first argument is the data-access context. Block handles point to
// float32 arrays of one block's samples; each fetch is matched by one release.
using PositionToIndex = HostService<465, int32_t(void* context, const DataPosition* position)>;
using IndexToPosition = HostService<466, HostWord(void* context, int32_t index, DataPosition* position)>;
using GetRawBlock = HostService<468, Handle(void* context, int32_t channel, int32_t block)>;
using ReleaseRawBlock = HostService<469, HostWord(void* context, int32_t channel, int32_t block)>;
// True when the low byte is non-zero.
using ComputedBlockAvailable = HostService<470, HostWord(void* context, int32_t channel, int32_t block)>;
using GetComputedBlock = HostService<471, Handle(void* context, int32_t channel, int32_t block)>;
using ReleaseComputedBlock = HostService<472, HostWord(void* context, int32_t channel, int32_t block)>;
// Number of samples in the block; low 16 bits count.
using GetBlockLength = HostService<473, HostWord(void* context, int32_t block)>;
using GetBlockInfo = HostService<475, HostWord(void* context, int32_t block, BlockInfo* info)>;
using GetComputedChannelInfo = HostService<477, HostWord(void* context, int32_t channel, int32_t block, ChannelInfo* info)>;
using GetComputedScaling = HostService<485, HostWord(void* context, int32_t channel, int32_t block, ChannelScaling* scaling)>;
// First and last absolute index (inclusive) of the run of contiguous data that holds `index`.
using GetContiguousRange = HostService<491, HostWord(void* context, int32_t index, int32_t* first, int32_t* last)>;
using RawBlockAvailable = HostService<496, HostWord(void* context, int32_t channel, int32_t block)>;
using GetRawChannelInfo = HostService<497, HostWord(void* context, int32_t channel, int32_t block, ChannelInfo* info)>;
using GetRawScaling = HostService<501, HostWord(void* context, int32_t channel, int32_t block, ChannelScaling* scaling)>;

}  // namespace service

// The byte offsets at which hosts expect each entry.
static_assert(service::RecordParameterShort::byteOffset == 28);
static_assert(service::RecordParameterFlag::byteOffset == 64);
static_assert(service::NewExtensionDialog::byteOffset == 312);
static_assert(service::RunModalDialog::byteOffset == 316);
static_assert(service::ReportError::byteOffset == 324);
static_assert(service::AppendPString::byteOffset == 380);
static_assert(service::GetItemControl::byteOffset == 404);
static_assert(service::SetItemText::byteOffset == 424);
static_assert(service::EnableItem::byteOffset == 436);
static_assert(service::SetItemChecked::byteOffset == 448);
static_assert(service::SetItemValue::byteOffset == 452);
static_assert(service::SetItemMinimum::byteOffset == 460);
static_assert(service::GetItemValue::byteOffset == 472);
static_assert(service::UserItemDrawA::byteOffset == 484);
static_assert(service::UserItemDrawB::byteOffset == 488);
static_assert(service::InstallUserItemProc::byteOffset == 540);
static_assert(service::BeginDialog::byteOffset == 580);
static_assert(service::EndDialog::byteOffset == 584);
static_assert(service::SetProgressState::byteOffset == 600);
static_assert(service::ReportProgress::byteOffset == 612);
static_assert(service::BeginLongOperation::byteOffset == 620);
static_assert(service::EndLongOperation::byteOffset == 624);
static_assert(service::GetHostValue::byteOffset == 688);
static_assert(service::SetChannelPopup::byteOffset == 768);
static_assert(service::GetItemNumber::byteOffset == 840);
static_assert(service::AttachDialogResource::byteOffset == 1208);
static_assert(service::NewBufferHandle::byteOffset == 1224);
static_assert(service::NewHandle::byteOffset == 1228);
static_assert(service::NewPointer::byteOffset == 1236);
static_assert(service::LockHandle::byteOffset == 1244);
static_assert(service::UnlockHandle::byteOffset == 1248);
static_assert(service::DisposePointer::byteOffset == 1260);
static_assert(service::DisposeHandle::byteOffset == 1272);
static_assert(service::PositionToIndex::byteOffset == 1860);
static_assert(service::IndexToPosition::byteOffset == 1864);
static_assert(service::GetRawBlock::byteOffset == 1872);
static_assert(service::ReleaseRawBlock::byteOffset == 1876);
static_assert(service::ComputedBlockAvailable::byteOffset == 1880);
static_assert(service::GetComputedBlock::byteOffset == 1884);
static_assert(service::ReleaseComputedBlock::byteOffset == 1888);
static_assert(service::GetBlockLength::byteOffset == 1892);
static_assert(service::GetBlockInfo::byteOffset == 1900);
static_assert(service::GetComputedChannelInfo::byteOffset == 1908);
static_assert(service::GetComputedScaling::byteOffset == 1940);
static_assert(service::GetContiguousRange::byteOffset == 1964);
static_assert(service::RawBlockAvailable::byteOffset == 1984);
static_assert(service::GetRawChannelInfo::byteOffset == 1988);
static_assert(service::GetRawScaling::byteOffset == 2004);
static_assert(service::GetChannelTitle::byteOffset == 2160);
static_assert(service::FillChannelPopup::byteOffset == 2272);
static_assert(service::GetChannelName::byteOffset == 2432);
static_assert(service::BeginResourceAccess::byteOffset == 2512);
static_assert(service::EndResourceAccess::byteOffset == 2516);
static_assert(service::MapParameterId::byteOffset == 2520);
static_assert(service::GetExtensionName::byteOffset == 2548);
static_assert(service::GetDataAccessContext::byteOffset == 2616);

}  // namespace sg
