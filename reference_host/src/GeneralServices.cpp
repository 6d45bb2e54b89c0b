// ReportError, AppendPString, GetHostValue, GetChannelTitle, GetChannelName, GetExtensionName and
// GetDataAccessContext.
#include <algorithm>
#include <cstring>

#include "NoisyResults.h"
#include "Services.h"
#include "Text.h"
#include "refhost/ReferenceHost.h"

namespace refhost {

namespace {

bool acceptBuffer(ReferenceHost& host, const char* service, const void* buffer) {
    if (buffer != nullptr) return true;
    host.misbehaviour().record(std::string(service) + " was given a null string");
    return false;
}

sg::HostWord reportError(const uint8_t* message) {
    ReferenceHost& host = ReferenceHost::active();
    if (acceptBuffer(host, "ReportError", message)) host.records().errorMessages.push_back(fromPString(message));
    return 0;
}

sg::HostWord appendPString(uint8_t* destination, const uint8_t* tail) {
    ReferenceHost& host = ReferenceHost::active();
    if (!acceptBuffer(host, "AppendPString", destination) || !acceptBuffer(host, "AppendPString", tail)) return 0;
    const std::size_t count = std::min<std::size_t>(tail[0], 255u - destination[0]);
    std::memmove(destination + 1 + destination[0], tail + 1, count);
    destination[0] = static_cast<uint8_t>(destination[0] + count);
    return 0;
}

sg::HostWord getHostValue(int32_t selector) {
    ReferenceHost& host = ReferenceHost::active();
    switch (selector) {
        case kHostValueChannelCount:
            return int16Result(host.options().noisyResults, host.recording().channelCount());
        case kHostValueModalFilter:
            return kModalFilterValue;
        default:
            host.misbehaviour().record("GetHostValue was asked for the unknown value " + std::to_string(selector));
            return 0;
    }
}

template <class Text>
sg::HostWord writeChannelText(const char* service, int32_t channel, uint8_t* buffer, Text text) {
    ReferenceHost& host = ReferenceHost::active();
    if (!acceptBuffer(host, service, buffer)) return 0;
    if (!host.recording().isChannel(channel)) {
        host.misbehaviour().record(std::string(service) + " was given channel " + std::to_string(channel) +
                                   ", which does not exist");
        writePString(buffer, "");
        return 0;
    }
    writePString(buffer, text(host.recording().channel(static_cast<int16_t>(channel))));
    return 0;
}

sg::HostWord getChannelTitle(int32_t channel, uint8_t* title) {
    return writeChannelText("GetChannelTitle", channel, title, [](const ChannelDescription& c) { return c.title; });
}

sg::HostWord getChannelName(int32_t channel, uint8_t* name) {
    return writeChannelText("GetChannelName", channel, name, [](const ChannelDescription& c) { return c.name; });
}

sg::HostWord getExtensionName(int32_t resourceFileRef, uint8_t* name) {
    ReferenceHost& host = ReferenceHost::active();
    if (!acceptBuffer(host, "GetExtensionName", name)) return 0;
    if (resourceFileRef != host.moduleResourceFile()) {
        host.misbehaviour().record("GetExtensionName was given resource file " + std::to_string(resourceFileRef) +
                                   ", not the module's (" + std::to_string(host.moduleResourceFile()) + ")");
    }
    writePString(name, host.extensionName());
    return 0;
}

void* getDataAccessContext(int32_t kind) {
    ReferenceHost& host = ReferenceHost::active();
    ServiceRecords& records = host.records();
    records.dataContextRequests.push_back(kind);
    if (kind != 1) host.misbehaviour().record("GetDataAccessContext was asked for kind " + std::to_string(kind));
    if (records.nullDataContextsGiven < host.options().nullDataContextAnswers) {
        ++records.nullDataContextsGiven;
        return nullptr;
    }
    return host.dataContext();
}

}  // namespace

void provideGeneralServices(ServiceTable& table) {
    using namespace sg::service;
    table.provide<ReportError, &reportError>("ReportError");
    table.provide<AppendPString, &appendPString>("AppendPString");
    table.provide<GetHostValue, &getHostValue>("GetHostValue");
    table.provide<GetChannelTitle, &getChannelTitle>("GetChannelTitle");
    table.provide<GetChannelName, &getChannelName>("GetChannelName");
    table.provide<GetExtensionName, &getExtensionName>("GetExtensionName");
    table.provide<GetDataAccessContext, &getDataAccessContext>("GetDataAccessContext");
}

}  // namespace refhost
