// Carbon calls cannot report most failures to the module, and a module that hands us a stale or
// foreign pointer would otherwise corrupt memory quietly. Such calls stop the process with a
// message that names the call.
#pragma once

namespace platform {

[[noreturn]] void AbortCarbonCall(const char* call, const char* problem);

// For arguments the call needs in order to do anything at all (output buffers and the like).
inline void RequireNonNull(const void* pointer, const char* call, const char* what) {
  if (pointer == nullptr) AbortCarbonCall(call, what);
}

}  // namespace platform
