#include "entry/ExtensionBase.h"

#include "entry/ParameterBlocks.h"
#include "host/HostServices.h"

namespace sg {

int32_t ExtensionBase::UnusedOperation() { return 0; }
bool ExtensionBase::HandleSelector2() { return true; }
void ExtensionBase::HandleSelector4() {}
int32_t ExtensionBase::HandleSelector5() { return 0; }
void ExtensionBase::HandleSelector3() {}

int32_t ExtensionBase::DispatchCommon(int16_t selector, void* block, HostCallbacks* host) {
    theHost = host;
    switch (selector) {
        case kSelectorSetResourceFile:
            SetResourceFileRef(static_cast<SetResourceFileBlock*>(block)->resourceFileRef);
            return 0;
        case kSelectorVersion:
            return HandleSelector1(selector, block, host);
        case kSelectorCanUnload:
            return HandleSelector2() ? 1 : 0;
        case 3:
            HandleSelector3();
            return 0;
        case 4:
            HandleSelector4();
            return 0;
        default:
            return 0;
    }
}

}  // namespace sg
