#include "DataAccess.h"

#include "Text.h"

namespace refhost {

DataAccess::DataAccess(const char* service, void* context) : host_(ReferenceHost::active()), service_(service) {
    ServiceRecords& records = host_.records();
    if (context == host_.dataContext()) {
        contextOk_ = true;
    } else if (context == nullptr && records.nullDataContextsGiven > 0) {
        // The module was told null and may pass it on; a host that answers null serves it anyway.
        ++records.nullContextDataCalls;
        contextOk_ = true;
    } else {
        contextOk_ = reject("was given the data context " + addressText(context) + ", not the one the host handed out (" +
                            addressText(host_.dataContext()) + ")");
    }
}

bool DataAccess::acceptChannel(int32_t channel) {
    return contextOk_ && (recording().isChannel(channel) || reject("was given channel " + std::to_string(channel) +
                                                                   ", which does not exist"));
}

bool DataAccess::acceptBlock(int32_t block) {
    return contextOk_ && (recording().isBlock(block) || reject("was given block " + std::to_string(block) +
                                                               ", which does not exist"));
}

bool DataAccess::acceptRecord(const void* record) {
    return contextOk_ && (record != nullptr || reject("was given a null record"));
}

bool DataAccess::reject(const std::string& why) {
    host_.misbehaviour().record(std::string(service_) + " " + why);
    return false;
}

}  // namespace refhost
