// Shared operations on the instance and settings records.
#pragma once

#include <cstdint>

#include "host/HostServices.h"
#include "settings/FunctionInstance.h"

namespace sg {

inline constexpr int16_t kFunctionStringList = 4700;  // the extension's own string list

// The settings a channel starts with: the channel filters its own raw data with the narrowest
// quadratic window. The scale fields get the identity so that a scaling query made before any
// computation reads a defined value.
void FillDefaultSettings(LocalDataType& settings, int16_t channel);

// Disposes the handle a variable holds, if any, and leaves the variable null. The variable is
// cleared before the host is called, so a variable inside a relocatable block is never written
// through a stale address.
template <typename T>
void DisposeHandleAndClear(T**& variable) {
    T** handle = variable;
    if (handle == nullptr) return;
    variable = nullptr;
    DisposeHandle(reinterpret_cast<Handle>(handle));
}

// "Savitzky-Golay: Out of memory" through the host's ReportError.
void ReportOutOfMemory();

}  // namespace sg
