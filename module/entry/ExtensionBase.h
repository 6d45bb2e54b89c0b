// The root of an extension: the selectors every extension answers the same way, and the
// reference number of the extension's own resource file.
#pragma once

#include <cstdint>

#include "host/HostCallbacks.h"

namespace sg {

class ExtensionBase {
public:
    // The order of these virtual operations is part of the class's layout; keep it.
    virtual int32_t UnusedOperation();
    virtual bool HandleSelector2();
    virtual void HandleSelector4();
    virtual int32_t HandleSelector5();
    virtual void HandleSelector3();
    virtual int32_t HandleSelector1(int16_t selector, void* block, HostCallbacks* host) = 0;

    // Stores the table and answers the selectors common to every extension (0 to 4);
    // any other selector gets 0 here.
    int32_t DispatchCommon(int16_t selector, void* block, HostCallbacks* host);
    void SetResourceFileRef(int16_t reference) { resourceFileRef = reference; }
    int16_t ResourceFileRef() const { return resourceFileRef; }

protected:
    ExtensionBase() = default;

private:
    // Given by selector 0; 0 until then (static storage is zeroed and no constructor sets it).
    int16_t resourceFileRef;
};

}  // namespace sg
