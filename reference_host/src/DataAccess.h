// The checks every data service makes on its arguments before it serves: the data-access context,
// and channel and block numbers within the recording. A failed check is recorded as
// misbehaviour naming the service, and the service then does nothing.
#pragma once

#include <cstdint>

#include "refhost/ReferenceHost.h"

namespace refhost {

class DataAccess {
public:
    DataAccess(const char* service, void* context)
        : host_(ReferenceHost::active()), service_(service), contextOk_(context == host_.dataContext() || contextRecovered(context)) {}

    ReferenceHost& host() const { return host_; }
    Recording& recording() const { return host_.recording(); }
    bool noisy() const { return host_.options().noisyResults; }

    // Each is false, after recording why, when the call must not be served.
    bool ok() const { return contextOk_; }
    bool acceptChannel(int32_t channel) {
        return contextOk_ && (recording().isChannel(channel) || rejectChannel(channel));
    }
    bool acceptBlock(int32_t block) { return contextOk_ && (recording().isBlock(block) || rejectBlock(block)); }
    bool acceptRecord(const void* record) { return contextOk_ && (record != nullptr || rejectRecord()); }

private:
    // A context other than the host's: served where it is the null the host answered, else rejected.
    bool contextRecovered(void* context);
    bool rejectChannel(int32_t channel);
    bool rejectBlock(int32_t block);
    bool rejectRecord();
    bool reject(const std::string& why);

    ReferenceHost& host_;
    const char* service_;
    bool contextOk_;
};

}  // namespace refhost
