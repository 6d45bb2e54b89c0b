#include "FuzzedHostSession.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>
#include <xmmintrin.h>

#include "module/entry/ParameterBlocks.h"
#include "module/host/HostCallbacks.h"
#include "refhost/ChannelComputation.h"
#include "refhost/ReferenceHost.h"
#include "refhost/Scaling.h"

namespace sgfuzz {

namespace {

using refhost::DataKind;
using refhost::ReferenceHost;
namespace service = sg::service;

[[noreturn]] void Finding(const std::string& what) {
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::abort();
}

double SpecialOrAny(FuzzedDataProvider& in) {
    static const double kSpecial[] = {0.0,
                                      -0.0,
                                      1.0,
                                      -1.0,
                                      0.001,
                                      -0.25,
                                      1e-300,
                                      1e300,
                                      -1e300,
                                      std::numeric_limits<double>::denorm_min(),
                                      std::numeric_limits<double>::max(),
                                      std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity()};
    const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, std::size(kSpecial));
    return pick < std::size(kSpecial) ? kSpecial[pick] : in.ConsumeFloatingPoint<double>();
}

sg::ChannelScaling AnyScaling(FuzzedDataProvider& in) {
    const auto decimals = in.ConsumeIntegralInRange<int16_t>(-2, 12);
    if (in.ConsumeBool()) return refhost::nativeScaling(SpecialOrAny(in), "mV", decimals);
    const double base = SpecialOrAny(in), factor = SpecialOrAny(in), offset = SpecialOrAny(in);
    return refhost::convertedScaling(base, factor, offset, "kPa", decimals);
}

// The floating-point control modes (rounding, exception masks, flush-to-zero), not the sticky
// flags that any arithmetic raises.
struct FloatingPointModes {
    unsigned short x87Control;
    unsigned int sseControl;
    bool operator==(const FloatingPointModes&) const = default;
};

FloatingPointModes CurrentModes() {
    std::fenv_t env;
    std::fegetenv(&env);
    return {static_cast<unsigned short>(env.__control_word), _mm_getcsr() & ~0x3Fu};
}

class Session {
public:
    Session(const std::filesystem::path& module, FuzzedDataProvider& in) : in_(in), host_(Options()) {
        host_.loadModule(module);
        BuildRecording();
        modes_ = CurrentModes();
        locale_ = std::setlocale(LC_ALL, nullptr);
    }

    void Play() {
        for (int call = 0; call < 48 && in_.remaining_bytes() > 0; ++call) {
            PlayOneCall();
            Check();
        }
    }

private:
    static refhost::HostOptions Options() {
        refhost::HostOptions options;
        options.traceCalls = false;
        return options;
    }

    void BuildRecording() {
        auto& recording = host_.recording();
        const int channels = in_.ConsumeIntegralInRange(1, 4);
        for (int c = 1; c <= channels; ++c)
            recording.addChannel({"ch" + std::to_string(c), "title " + std::to_string(c), AnyScaling(in_), AnyScaling(in_)});
        const int blocks = in_.ConsumeIntegralInRange(1, 5);
        for (int b = 0; b < blocks; ++b) {
            const auto length = in_.ConsumeIntegralInRange<int16_t>(1, 90);
            const bool startsRun = b == 0 || in_.ConsumeBool();
            recording.addBlock(length, SpecialOrAny(in_),
                               startsRun ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun);
        }
        if (recording.sampleCount() > 1 && in_.ConsumeBool())
            recording.breakRunAt(in_.ConsumeIntegralInRange<int32_t>(1, recording.sampleCount() - 1));
        const double amplitude = SpecialOrAny(in_);
        for (int16_t block = 1; block <= recording.blockCount(); ++block) {
            for (int16_t channel = 1; channel <= recording.channelCount(); ++channel) {
                for (DataKind kind : {DataKind::raw, DataKind::computed}) {
                    auto values = recording.values(kind, channel, block);
                    // A curve, with a few samples from the input at its start: enough for hostile values
                    // to reach every window, and most of the input is left for the calls.
                    const std::size_t fromInput = in_.ConsumeIntegralInRange<std::size_t>(0, 3);
                    for (std::size_t i = 0; i < values.size(); ++i) {
                        values[i] = i < fromInput ? in_.ConsumeFloatingPoint<float>()
                                                  : static_cast<float>(amplitude * std::sin(0.05 * static_cast<double>(i) * channel));
                    }
                }
            }
        }
    }

    sg::FunctionInstance** AnyInstance(bool mayBeNull) {
        if (instances_.empty() || (mayBeNull && in_.ConsumeIntegralInRange(0, 15) == 0)) return nullptr;
        return instances_[in_.ConsumeIntegralInRange<std::size_t>(0, instances_.size() - 1)];
    }
    int16_t ChannelOf(sg::FunctionInstance** instance) const { return (*instance)->channel; }
    // Blocks are the host's to name: one of its blocks, or for the scaling query also block 0,
    // which holds no data.
    int16_t ScalingBlock() { return in_.ConsumeIntegralInRange<int16_t>(0, host_.recording().blockCount()); }
    int16_t ValidBlock() { return in_.ConsumeIntegralInRange<int16_t>(1, host_.recording().blockCount()); }
    int16_t SpanBound(int16_t length) {
        return in_.ConsumeBool() ? in_.ConsumeIntegral<int16_t>() : in_.ConsumeIntegralInRange<int16_t>(0, length);
    }

    void PlayOneCall() {
        auto& recording = host_.recording();
        switch (in_.ConsumeIntegralInRange(0, 11)) {
            case 0: {
                if (instances_.size() >= 4) break;
                const auto channel = in_.ConsumeIntegralInRange<int16_t>(1, recording.channelCount());
                if (sg::FunctionInstance** instance = refhost::createInstance(host_, channel)) instances_.push_back(instance);
                break;
            }
            case 1: {
                sg::FunctionInstance** instance = AnyInstance(true);
                const uint16_t parameter = in_.ConsumeBool() ? in_.ConsumeIntegralInRange<uint16_t>(8192, 8199)
                                                             : in_.ConsumeIntegral<uint16_t>();
                // Mostly values near the ranges of the parameters: channels, flags and orders, or widths.
                int16_t value = 0;
                switch (in_.ConsumeIntegralInRange(0, 3)) {
                    case 0:
                    case 1:
                        value = in_.ConsumeIntegralInRange<int16_t>(-1, 7);
                        break;
                    case 2:
                        value = in_.ConsumeIntegralInRange<int16_t>(-4, 210);
                        break;
                    default:
                        value = in_.ConsumeIntegral<int16_t>();
                        break;
                }
                refhost::setInstanceParameter(host_, instance, parameter, value);
                break;
            }
            case 2: {
                sg::FunctionInstance** instance = AnyInstance(true);
                const int16_t channel = instance != nullptr ? ChannelOf(instance) : 1;
                const int16_t block = ValidBlock();
                sg::SpanRequest request{};
                request.instance = instance;
                request.ownBlockData = reinterpret_cast<float**>(recording.dataHandle(DataKind::raw, channel, block));
                request.output = reinterpret_cast<float**>(recording.dataHandle(DataKind::computed, channel, block));
                request.unused12 = in_.ConsumeIntegral<int16_t>();
                request.block = block;
                request.first = SpanBound(recording.blockLength(block));
                request.end = SpanBound(recording.blockLength(block));
                request.unused20 = in_.ConsumeIntegral<uint8_t>();
                host_.call(sg::kSelectorComputeSpan, request, channel);
                break;
            }
            case 3: {
                sg::FunctionInstance** instance = AnyInstance(false);
                if (instance == nullptr) break;
                sg::ChannelScaling* record = static_cast<sg::ChannelScaling*>(host_.memory().newPointer(
                    sizeof(sg::ChannelScaling), refhost::Owner::host, "the fuzzed scaling record"));
                sg::OutputScalingBlock block{instance, ScalingBlock(), in_.ConsumeIntegral<int16_t>(), 0, 0, record};
                host_.call(sg::kSelectorGetOutputScaling, block);
                host_.memory().disposePointer(record, refhost::Owner::host);
                break;
            }
            case 4: {
                sg::FunctionInstance** instance = AnyInstance(false);
                if (instance == nullptr) break;
                auto* record = static_cast<sg::TitleRecord*>(
                    host_.memory().newPointer(sizeof(sg::TitleRecord), refhost::Owner::host, "the fuzzed title record"));
                record->text[0] = 0;
                sg::DefaultTitleBlock block{instance, record};
                host_.call(sg::kSelectorGetDefaultTitle, block);
                host_.memory().disposePointer(record, refhost::Owner::host);
                break;
            }
            case 5:
                refhost::functionName(host_);
                break;
            case 6: {
                sg::FunctionInstance** instance = AnyInstance(false);
                if (instance == nullptr) break;
                switch (in_.ConsumeIntegralInRange(0, 2)) {
                    case 0: {
                        sg::SourceInfoBlock block{};
                        block.instance = instance;
                        block.block = ValidBlock();
                        host_.call(sg::kSelectorGetSourceChannelInfo, block);
                        break;
                    }
                    case 1: {
                        sg::SourceAvailableBlock block{instance, ValidBlock(), in_.ConsumeIntegral<int16_t>()};
                        host_.call(sg::kSelectorIsSourceAvailable, block);
                        break;
                    }
                    default: {
                        sg::InstanceChannelBlock block{instance, in_.ConsumeIntegral<int16_t>(), in_.ConsumeIntegral<int16_t>()};
                        host_.call(sg::kSelectorDependsOnChannel, block);
                        break;
                    }
                }
                break;
            }
            case 7:
                RunDialog();
                break;
            case 8: {
                // Selectors whose blocks the module does not read: fixed answers and unknown numbers.
                int16_t selector = in_.ConsumeIntegral<int16_t>();
                if (selector == 0 || (selector >= 6 && selector <= 17 && selector != 14 && selector != 15)) selector = 18;
                std::vector<uint8_t> block = in_.ConsumeBytes<uint8_t>(64);
                block.resize(64);
                struct Garbage {
                    uint8_t bytes[64];
                } garbage;
                std::memcpy(garbage.bytes, block.data(), sizeof garbage.bytes);
                host_.call(selector, garbage);
                break;
            }
            case 9:
                if (in_.ConsumeBool()) {
                    host_.faults().failAllocationOnCall(in_.ConsumeIntegralInRange(1, 6));
                } else {
                    host_.faults().throwOnServiceCall(refhost::kAnyService, in_.ConsumeIntegralInRange(1, 60));
                }
                break;
            case 10:
                recording.setAvailable(in_.ConsumeBool() ? DataKind::raw : DataKind::computed,
                                       in_.ConsumeIntegralInRange<int16_t>(1, recording.channelCount()), ValidBlock(),
                                       in_.ConsumeBool());
                break;
            default: {
                sg::SetResourceFileBlock block{host_.moduleResourceFile()};
                host_.call(sg::kSelectorSetResourceFile, block);
                break;
            }
        }
    }

    void RunDialog() {
        sg::FunctionInstance** instance = AnyInstance(true);
        std::vector<refhost::DialogStep> steps;
        const int count = in_.ConsumeIntegralInRange(0, 8);
        for (int i = 0; i < count; ++i) {
            refhost::DialogStep step{in_.ConsumeIntegralInRange<int16_t>(-1, 24), std::nullopt, std::nullopt};
            if (in_.ConsumeBool()) step.value = in_.ConsumeIntegralInRange<int16_t>(-3, 105);
            if (in_.ConsumeBool()) step.text = in_.ConsumeRandomLengthString(8);
            steps.push_back(std::move(step));
        }
        host_.dialogs().setDriver(std::make_shared<refhost::ScriptedDialog>(std::move(steps)));
        // A host edits a channel's settings with that channel's instance; the reports it applies
        // go to the instance it keeps for the channel.
        const int16_t channel = instance != nullptr ? ChannelOf(instance)
                                                    : in_.ConsumeIntegralInRange<int16_t>(1, host_.recording().channelCount());
        sg::InstanceChannelBlock block{instance, channel, 0};
        host_.call(sg::kSelectorRunSettingsDialog, block);
    }

    // What a host that refused to take something back may find left over: that one thing.
    bool RefusedRelease() {
        const auto thrown = host_.faults().thrownService();
        if (!thrown) return false;
        for (int refusing : {service::EndLongOperation::index, service::UnlockHandle::index, service::ReleaseRawBlock::index,
                             service::ReleaseComputedBlock::index, service::EndResourceAccess::index,
                             service::EndDialog::index, service::DisposeHandle::index, service::DisposePointer::index})
            if (*thrown == refusing) return true;
        return false;
    }

    void Check() {
        const bool refused = RefusedRelease();
        if (host_.faults().thrownService()) {
            // One planned throw per arming; the next arming starts a new count.
            host_.faults().reset();
        }
        auto& log = host_.misbehaviour();
        if (!refused && !log.entries().empty()) Finding(log.entries().front());
        log.clear();
        if (host_.holds().held() != 0) Finding("a data block is still held");
        const auto stray = host_.strayModuleMemory();
        if (!stray.empty() && !refused) Finding(stray.front());
        if (!(CurrentModes() == modes_)) Finding("the floating-point control modes changed");
        if (locale_ != std::setlocale(LC_ALL, nullptr)) Finding("the locale changed");
    }

    FuzzedDataProvider& in_;
    ReferenceHost host_;
    std::vector<sg::FunctionInstance**> instances_;
    FloatingPointModes modes_{};
    std::string locale_;
};

}  // namespace

void PlayHostSession(const std::filesystem::path& module, const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Session session(module, in);
    session.Play();
}

}  // namespace sgfuzz
