#include "text/ResourceStrings.h"

#include "entry/ExtensionBase.h"
#include "host/HostServices.h"
#include "platform/Carbon.h"

namespace sg {

PStringValue GetCurrentResourceString(int16_t listId, int16_t index) {
    PStringValue text{};
    GetIndString(text.data(), listId, index);
    return text;
}

PStringValue GetExtensionString(int16_t listId, int16_t index, const ExtensionBase& extension) {
    BeginResourceAccess(extension.ResourceFileRef());
    PStringValue text = GetCurrentResourceString(listId, index);
    EndResourceAccess(extension.ResourceFileRef());
    return text;
}

}  // namespace sg
