#include "DataAccess.h"

#include "Text.h"

namespace refhost {

bool DataAccess::contextRecovered(void* context) {
    ServiceRecords& records = host_.records();
    if (context == nullptr && records.nullDataContextsGiven > 0) {
        // The module was told null and may pass it on; a host that answers null serves it anyway.
        ++records.nullContextDataCalls;
        return true;
    }
    return reject("was given the data context " + addressText(context) + ", not the one the host handed out (" +
                  addressText(host_.dataContext()) + ")");
}

bool DataAccess::rejectChannel(int32_t channel) {
    return reject("was given channel " + std::to_string(channel) + ", which does not exist");
}

bool DataAccess::rejectBlock(int32_t block) {
    return reject("was given block " + std::to_string(block) + ", which does not exist");
}

bool DataAccess::rejectRecord() { return reject("was given a null record"); }

bool DataAccess::reject(const std::string& why) {
    host_.misbehaviour().record(std::string(service_) + " " + why);
    return false;
}

}  // namespace refhost
