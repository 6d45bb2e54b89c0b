#include "refhost/ChannelComputation.h"

#include <cstring>

#include "Text.h"

namespace refhost {

namespace {

// A record the module fills, in a guarded host buffer for the length of one call.
template <class Record>
class HostRecordBuffer {
public:
    HostRecordBuffer(ReferenceHost& host, const Record& initial, const char* label)
        : host_(host), record_(static_cast<Record*>(host.memory().newPointer(sizeof(Record), Owner::host, label))) {
        std::memcpy(static_cast<void*>(record_), &initial, sizeof(Record));
    }
    ~HostRecordBuffer() { host_.memory().disposePointer(record_, Owner::host); }
    HostRecordBuffer(const HostRecordBuffer&) = delete;
    HostRecordBuffer& operator=(const HostRecordBuffer&) = delete;

    Record* get() const { return record_; }

private:
    ReferenceHost& host_;
    Record* record_;
};

template <class Record>
Record filled(uint8_t byte) {
    Record record;
    std::memset(static_cast<void*>(&record), byte, sizeof record);
    return record;
}

}  // namespace

sg::ChannelScaling OutputScalingAnswer::scaling() const {
    sg::ChannelScaling scaling{};
    std::memcpy(static_cast<void*>(&scaling), record.data(), record.size());
    return scaling;
}

std::string DefaultTitleAnswer::text() const { return fromPString(record.text); }

sg::FunctionInstance** createInstance(ReferenceHost& host, int16_t channel) {
    auto block = filled<sg::CreateInstanceBlock>(kHostRecordByte);
    block.channel = channel;
    const int32_t result = host.call(sg::kSelectorCreateInstance, block);
    if (block.flag != 0) {
        host.misbehaviour().record("selector 6 left the flag byte at " + std::to_string(block.flag) + ", not 0");
    }
    auto instance = reinterpret_cast<sg::FunctionInstance**>(static_cast<uintptr_t>(static_cast<uint32_t>(result)));
    if (instance == nullptr) return nullptr;
    if (!host.memory().isLiveHandle(reinterpret_cast<sg::Handle>(instance))) {
        host.misbehaviour().record("selector 6 answered " + hexWord(static_cast<uint32_t>(result)) +
                                   ", which is no handle the host gave out");
        return nullptr;
    }
    host.registerInstance(channel, instance);
    return instance;
}

int32_t setInstanceParameter(ReferenceHost& host, sg::FunctionInstance** instance, uint16_t parameter, int16_t value) {
    auto initial = filled<sg::ParameterValue>(kHostRecordByte);
    initial.parameter = parameter;
    if (parameter == sg::kParamUseComputedSource) {
        initial.flagValue = static_cast<uint8_t>(value);
    } else {
        initial.shortValue = value;
    }
    HostRecordBuffer<sg::ParameterValue> record(host, initial, "the ParameterValue of selector 10");
    sg::SetParameterBlock block{instance, record.get()};
    return host.call(sg::kSelectorSetParameter, block);
}

std::string functionName(ReferenceHost& host) {
    using NameBuffer = std::array<uint8_t, sg::kPStringBufferSize>;
    HostRecordBuffer<NameBuffer> name(host, filled<NameBuffer>(0), "the name buffer of selector 7");
    sg::FunctionNameBlock block{0, name.get()->data()};
    host.call(sg::kSelectorGetFunctionName, block);
    return fromPString(name.get()->data());
}

std::optional<ChannelComputation> ChannelComputation::create(ReferenceHost& host, int16_t channel) {
    sg::FunctionInstance** instance = createInstance(host, channel);
    if (instance == nullptr) return std::nullopt;
    return ChannelComputation(host, channel, instance);
}

int32_t ChannelComputation::setParameter(uint16_t parameter, int16_t value) {
    return setInstanceParameter(*host_, instance_, parameter, value);
}

int32_t ChannelComputation::computeSpan(int16_t block, int16_t first, int16_t end) {
    const Recording& recording = host_->recording();
    auto request = filled<sg::SpanRequest>(kHostRecordByte);
    request.instance = instance_;
    request.ownBlockData = reinterpret_cast<float**>(recording.lentHandle(DataKind::raw, channel_, block));
    request.output = reinterpret_cast<float**>(recording.dataHandle(DataKind::computed, channel_, block));
    request.block = block;
    request.first = first;
    request.end = end;
    return host_->call(sg::kSelectorComputeSpan, request, channel_);
}

int32_t ChannelComputation::computeBlock(int16_t block) {
    return computeSpan(block, 0, host_->recording().blockLength(block));
}

OutputScalingAnswer ChannelComputation::outputScaling(int16_t block) {
    HostRecordBuffer<sg::ChannelScaling> record(*host_, filled<sg::ChannelScaling>(kFreshPoison),
                                                "the scaling record of selector 13");
    auto request = filled<sg::OutputScalingBlock>(kHostRecordByte);
    request.instance = instance_;
    request.block = block;
    request.answered = 0;
    request.scaling = record.get();
    OutputScalingAnswer answer{};
    answer.result = host_->call(sg::kSelectorGetOutputScaling, request);
    answer.answered = request.answered;
    std::memcpy(answer.record.data(), record.get(), answer.record.size());
    return answer;
}

DefaultTitleAnswer ChannelComputation::defaultTitle() {
    auto initial = filled<sg::TitleRecord>(kHostRecordByte);
    initial.hasTitle = 0;
    initial.text[0] = 0;
    HostRecordBuffer<sg::TitleRecord> record(*host_, initial, "the title record of selector 17");
    sg::DefaultTitleBlock block{instance_, record.get()};
    DefaultTitleAnswer answer{};
    answer.result = host_->call(sg::kSelectorGetDefaultTitle, block);
    answer.record = *record.get();
    return answer;
}

bool ChannelComputation::sourceAvailable(int16_t block) {
    auto request = filled<sg::SourceAvailableBlock>(kHostRecordByte);
    request.instance = instance_;
    request.block = block;
    return host_->call(sg::kSelectorIsSourceAvailable, request) != 0;
}

}  // namespace refhost
