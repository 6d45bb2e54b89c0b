// MapParameterId, RecordParameterShort and RecordParameterFlag. The host knows the module's
// parameter numbers under ids of its own; a reported value is applied to the channel's instance
// (selector 10, re-entering the module) before the report returns.
#include "NoisyResults.h"
#include "Services.h"
#include "Text.h"
#include "refhost/ChannelComputation.h"

namespace refhost {

namespace {

// The top bit is set so that a module that sign-extends the id, instead of zero-extending it,
// reports an id the host never handed out.
constexpr uint16_t hostIdOf(int32_t parameterNumber) {
    return static_cast<uint16_t>(0x8000 | (parameterNumber - 8192));
}

sg::HostWord mapParameterId(int32_t parameterNumber, int32_t resourceFileRef) {
    ReferenceHost& host = ReferenceHost::active();
    if (resourceFileRef != host.moduleResourceFile()) {
        host.misbehaviour().record("MapParameterId was given resource file " + std::to_string(resourceFileRef) +
                                   ", not the module's (" + std::to_string(host.moduleResourceFile()) + ")");
    }
    if (parameterNumber < sg::kParamSourceChannel || parameterNumber > sg::kParamRangeIndex) {
        host.misbehaviour().record("MapParameterId was given the unknown parameter " + std::to_string(parameterNumber));
        return 0;
    }
    const uint16_t hostId = hostIdOf(parameterNumber);
    host.records().parameterIds[hostId] = static_cast<uint16_t>(parameterNumber);
    return int16Result(host.options().noisyResults, static_cast<int16_t>(hostId));
}

void recordParameter(const char* service, bool flag, uint32_t hostId, int32_t channel, int32_t value) {
    ReferenceHost& host = ReferenceHost::active();
    const auto complain = [&](const std::string& why) { host.misbehaviour().record(std::string(service) + " " + why); };

    const auto mapped = host.records().parameterIds.find(static_cast<uint16_t>(hostId));
    if (hostId > 0xFFFF || mapped == host.records().parameterIds.end()) {
        complain("was given the host parameter id " + hexWord(hostId) + ", which MapParameterId never handed out");
        return;
    }
    const uint16_t parameter = mapped->second;
    if ((parameter == sg::kParamUseComputedSource) != flag) {
        complain("reported parameter " + std::to_string(parameter) + ", which travels through the other service");
    }
    const bool fits = flag ? (value >= 0 && value <= 0xFF) : (value >= INT16_MIN && value <= INT16_MAX);
    if (!fits) complain("was given the value word " + hexWord(static_cast<uint32_t>(value)) + ", not widened from its type");
    host.records().parameterReports.push_back({hostId, parameter, channel, value, flag});

    sg::FunctionInstance** instance = host.instanceFor(channel);
    if (instance == nullptr) {
        complain("reported a parameter of channel " + std::to_string(channel) + ", which has no instance");
        return;
    }
    setInstanceParameter(host, instance, parameter, static_cast<int16_t>(value));
}

sg::HostWord recordParameterShort(uint32_t hostParameterId, int32_t channel, int32_t value) {
    recordParameter("RecordParameterShort", false, hostParameterId, channel, value);
    return 0;
}

sg::HostWord recordParameterFlag(uint32_t hostParameterId, int32_t channel, uint32_t value) {
    recordParameter("RecordParameterFlag", true, hostParameterId, channel, static_cast<int32_t>(value));
    return 0;
}

}  // namespace

void provideParameterServices(ServiceTable& table) {
    table.provide<sg::service::MapParameterId, &mapParameterId>("MapParameterId");
    table.provide<sg::service::RecordParameterShort, &recordParameterShort>("RecordParameterShort");
    table.provide<sg::service::RecordParameterFlag, &recordParameterFlag>("RecordParameterFlag");
}

}  // namespace refhost
