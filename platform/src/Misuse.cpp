#include "Misuse.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void AbortCarbonCall(const char* call, const char* problem) {
  std::fprintf(stderr, "platform: %s: %s\n", call, problem);
  std::fflush(stderr);
  std::abort();
}

}  // namespace platform
