// Per-tag data of controls: how a module configures and reads a host's control.
#include "platform/Carbon.h"

#include "DialogRegistry.h"
#include "Misuse.h"

#include <cstring>
#include <exception>

short SetControlData(void* control, short /*part*/, unsigned long tag, long size,
                     const void* data) {
  if (control == nullptr) return kPlatformParamErr;
  platform::Control& target = platform::RequireControl(control, "SetControlData");
  if (size < 0 || (size > 0 && data == nullptr)) return kPlatformParamErr;
  const auto* bytes = static_cast<const unsigned char*>(data);
  try {
    target.data[tag].assign(bytes, bytes + size);
  } catch (const std::exception& error) {
    platform::AbortCarbonCall("SetControlData", error.what());
  }
  return kPlatformNoErr;
}

short GetControlData(void* control, short /*part*/, unsigned long tag, long bufferSize,
                     void* data, long* actualSize) {
  if (control == nullptr) return kPlatformParamErr;
  const platform::Control& source = platform::RequireControl(control, "GetControlData");
  auto found = source.data.find(tag);
  if (found == source.data.end()) return kPlatformParamErr;
  const std::vector<unsigned char>& stored = found->second;
  const long storedSize = static_cast<long>(stored.size());
  if (actualSize != nullptr) *actualSize = storedSize;
  if (bufferSize < storedSize || (storedSize > 0 && data == nullptr)) return kPlatformParamErr;
  if (storedSize > 0) std::memcpy(data, stored.data(), stored.size());
  return kPlatformNoErr;
}
