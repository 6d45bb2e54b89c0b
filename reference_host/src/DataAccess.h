// The checks every data service makes on its arguments before it serves: the data-access context,
// and channel and block numbers within the recording. A failed check is recorded as
// misbehaviour naming the service, and the service then does nothing.
#pragma once

#include <cstdint>

#include "refhost/ReferenceHost.h"

namespace refhost {

class DataAccess {
public:
    DataAccess(const char* service, void* context);

    ReferenceHost& host() const { return host_; }
    Recording& recording() const { return host_.recording(); }
    bool noisy() const { return host_.options().noisyResults; }

    // Each is false, after recording why, when the call must not be served.
    bool ok() const { return contextOk_; }
    bool acceptChannel(int32_t channel);
    bool acceptBlock(int32_t block);
    bool acceptRecord(const void* record);

private:
    bool reject(const std::string& why);

    ReferenceHost& host_;
    const char* service_;
    bool contextOk_;
};

}  // namespace refhost
